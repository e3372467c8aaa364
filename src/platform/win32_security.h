// Security for what the program creates where others may write: the staging
// and log directories in the root of the system volume and the files of the
// log. The root's own inheritable entries let ordinary users write into a new
// sub-directory there (NT 4.0 and 2000 give Everyone change or full control,
// XP and 2003 let Users create files and folders), so these get an explicit
// DACL instead.
#ifndef QN_PLATFORM_WIN32_SECURITY_H
#define QN_PLATFORM_WIN32_SECURITY_H

#include <windows.h>

namespace platform {

enum Inheritance {
  kInheritedByContents,  // a directory: each entry passes on to what is created inside
  kThisObjectOnly,       // a file
};

// The largest SID (a revision, a count, an authority and 15 sub-authorities).
constexpr DWORD kSidBufferSize = 68;

// A security descriptor and everything it points to; SECURITY_ATTRIBUTES for
// CreateDirectoryA. It points into itself, so it is built in place and never
// copied.
struct OwnersSecurity {
  SECURITY_ATTRIBUTES attributes;
  SECURITY_DESCRIPTOR descriptor;
  DWORD administrators[kSidBufferSize / sizeof(DWORD)];
  DWORD system[kSidBufferSize / sizeof(DWORD)];
  DWORD tokenUser[(sizeof(TOKEN_USER) + kSidBufferSize) / sizeof(DWORD)];
  DWORD acl[512 / sizeof(DWORD)];
};

// Builds a DACL of full control for Administrators, SYSTEM and this process's
// user, and nothing for anyone else; for a directory each entry is inherited
// by sub-directories and files (object and container inherit). Where advapi32
// has SetSecurityDescriptorControl (Windows 2000 and later; looked up at run
// time, as NT 4.0 lacks it and never merges inherited entries into an
// explicit DACL) the DACL is protected from the parent's inheritable entries.
// False when any part cannot be built: the caller must then create nothing,
// never fall back to default security.
bool buildOwnersOnlySecurity(Inheritance inheritance, OwnersSecurity* security);

}  // namespace platform

#endif  // QN_PLATFORM_WIN32_SECURITY_H
