// qnCheck: shows the author of an update what each Windows will run from its
// installation script, and every trap in the script, without running a command
// or writing a file.
#ifndef QN_CHECK_CHECK_RUN_H
#define QN_CHECK_CHECK_RUN_H

// qnCheck [DIR]: checks DIR/qnInst.cfg and DIR/version.id (DIR is the current
// directory when not given), reading them with qnUpdate's own readers. Prints the
// commands each platform runs, then the findings, then the count line. Returns
// the exit status: 0 with no findings, 1 with warnings only, 2 with errors or
// when the check could not be made (a usage line for more than one argument, a
// message for a directory that cannot be entered). "/?", "-h" or "--help" as the
// only argument prints the usage, "--version" the line "qnCheck X.Y.Z"; each
// returns 0.
int runCheck(int argc, const char* const* argv);

#endif  // QN_CHECK_CHECK_RUN_H
