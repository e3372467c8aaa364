// The --hosts file: the machines a report covers, as an administrator saves
// the list on Windows or elsewhere.
#ifndef QN_REPORT_FIND_HOSTS_FILE_H
#define QN_REPORT_FIND_HOSTS_FILE_H

#include <string>
#include <vector>

// Reads the names in a list of machines: UTF-16 LE or BE with a byte-order
// mark, UTF-8 with or without one, or ANSI; lines end with CR LF or LF. A name
// is the first word of its line (words are separated by spaces and tabs); "#"
// starts a comment, on a line of its own or after a name; blank lines are
// skipped. The names come in the system's own text (see
// platform::systemTextFromUtf8). False when the file cannot be read.
bool readHostsFile(const char* path, std::vector<std::string>* names);

#endif  // QN_REPORT_FIND_HOSTS_FILE_H
