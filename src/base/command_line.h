// Splitting a Windows command line into its elements.
#ifndef QN_BASE_COMMAND_LINE_H
#define QN_BASE_COMMAND_LINE_H

#include <string>
#include <vector>

// Splits `commandLine` by the classic rules for console programs:
// - the program name ends at the first space or tab or, when it begins with a
//   double quote, at the next double quote, with no backslash rules;
// - the other elements are separated by runs of spaces and tabs;
// - a double quote after an even number of backslashes (or none) switches a
//   quoted stretch on or off and is not copied; inside a stretch two double
//   quotes give one literal double quote and end the stretch;
// - a double quote after an odd number of backslashes is a literal double quote;
// - before a double quote, half of the backslashes are copied (of an odd number,
//   half of one less); other backslashes are copied as they are.
std::vector<std::string> splitCommandLine(const char* commandLine);

#endif  // QN_BASE_COMMAND_LINE_H
