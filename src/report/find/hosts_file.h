// The --hosts file: the machines a report covers, as an administrator saves
// the list on Windows or elsewhere, or exports it from a directory or a
// spreadsheet.
#ifndef QN_REPORT_FIND_HOSTS_FILE_H
#define QN_REPORT_FIND_HOSTS_FILE_H

#include <string>
#include <vector>

// What readHostsFile gives.
constexpr int kHostsRead = 0;
constexpr int kHostsUnreadable = 1;  // the file cannot be read
constexpr int kHostsBadLine = 2;     // a line names something that cannot be a machine

// A line of the list that cannot be a machine's name.
struct HostsLine {
  unsigned long number;  // from 1
  std::string text;      // as UTF-8
};

// Reads the names in a list of machines: UTF-16 LE or BE with a byte-order
// mark, UTF-8 with or without one, or ANSI; lines end with CR LF or LF; "#"
// starts a comment, on a line of its own or after a name; blank lines and
// blanks at either end of a line are skipped. A list is either one name a
// line, or CSV whose first line names its columns (as Export-Csv and
// spreadsheets write it, after a "#TYPE" line): then the names are the values,
// quotes taken away, of its first column among Name, DNSHostName,
// ComputerName, Computer and Host (in that order, in any case), and the other
// columns are passed over; a column header alone on the first line (a
// spreadsheet's one column) is no machine either. A name with a space, a tab,
// a control character or one of , " \ / : * ? < > | in it cannot be a
// machine's: kHostsBadLine, with the first such line in `*bad`. The names
// come in the system's own text (see platform::systemTextFromUtf8).
int readHostsFile(const char* path, std::vector<std::string>* names, HostsLine* bad);

#endif  // QN_REPORT_FIND_HOSTS_FILE_H
