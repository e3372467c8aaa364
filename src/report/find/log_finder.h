// Finding the logs to read: in the folders under the PATHs given to qnReport,
// one folder at a time, and at the --from template for each listed machine.
#ifndef QN_REPORT_FIND_LOG_FINDER_H
#define QN_REPORT_FIND_LOG_FINDER_H

#include <string>
#include <vector>

#include "report/find/machine_names.h"

// One entry of a folder that the walk goes on with: a log (a file whose name
// ends in ".log" in any case), with what it is to its machine, or a
// sub-folder.
struct FolderEntry {
  std::string name;
  bool folder;
  LogKind kind;  // a log's
};

// What listLogFolder gives.
enum FolderListing {
  kFolderListed,
  kFolderCutShort,   // the listing broke off: the entries are those listed before
  kFolderNotListed,  // platform::lastFileFailure tells why
  kFolderTooLong,    // its path is too long for the system's path buffers
};

// Lists a folder's logs and sub-folders into `entries` (empty before), in the
// order of their names without regard to case (as the reports write them,
// so the same on every system), but for the rotated logs beside a QN.log,
// which come just before it: the order in which they were written.
// Sub-folders that are junctions or links are left out: a walk through them
// could come back to where it started.
FolderListing listLogFolder(const std::string& folder, std::vector<FolderEntry>* entries);

// The path of an entry of `folder`.
std::string entryPath(const std::string& folder, const std::string& name);

// What --from replaces with each machine's name.
extern const char kHostField[];

// The path of a machine's log at a --from template: every kHostField replaced
// by the machine's name.
std::string logPathAt(const char* pathTemplate, const std::string& machine);

#endif  // QN_REPORT_FIND_LOG_FINDER_H
