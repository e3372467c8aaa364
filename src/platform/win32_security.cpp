#include "platform/win32_security.h"

namespace platform {

// Generic rights would be mapped only for the directory itself; these are the
// directory rights that the entries pass on to what is created inside.
static constexpr DWORD kFullControl = FILE_ALL_ACCESS;
static constexpr BYTE kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// SetSecurityDescriptorControl's control bit that blocks inherited entries.
static constexpr WORD kDaclProtected = 0x1000;

// A SID of the NT authority, S-1-5-first[-second], built in `buffer`.
static PSID ntAuthoritySid(DWORD* buffer, DWORD first, DWORD second, BYTE count) {
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID sid = buffer;
  if (!InitializeSid(sid, &authority, count)) return nullptr;
  *GetSidSubAuthority(sid, 0) = first;
  if (count > 1) *GetSidSubAuthority(sid, 1) = second;
  return sid;
}

static PSID processUserSid(DWORD* buffer, DWORD size) {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD needed = 0;
  BOOL read = GetTokenInformation(token, TokenUser, buffer, size, &needed);
  CloseHandle(token);
  return read ? reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid : nullptr;
}

static bool allow(PACL acl, PSID sid, BYTE flags) {
  if (sid == nullptr || !AddAccessAllowedAce(acl, ACL_REVISION, kFullControl, sid)) return false;
  // NT 4.0 has no AddAccessAllowedAceEx: set the new entry's flags in place.
  void* entry = nullptr;
  if (!GetAce(acl, acl->AceCount - 1, &entry)) return false;
  static_cast<ACE_HEADER*>(entry)->AceFlags = flags;
  return true;
}

static bool protectDacl(SECURITY_DESCRIPTOR* descriptor) {
  typedef BOOL(WINAPI * SetControlFunction)(PSECURITY_DESCRIPTOR, WORD, WORD);
  HMODULE advapi = GetModuleHandleA("advapi32");
  FARPROC found =
      advapi != nullptr ? GetProcAddress(advapi, "SetSecurityDescriptorControl") : nullptr;
  if (found == nullptr) return true;  // NT 4.0: nothing is merged in
  SetControlFunction setControl =
      reinterpret_cast<SetControlFunction>(reinterpret_cast<void (*)()>(found));
  return setControl(descriptor, kDaclProtected, kDaclProtected) != FALSE;
}

bool buildOwnersOnlySecurity(Inheritance inheritance, OwnersSecurity* security) {
  PACL acl = reinterpret_cast<PACL>(security->acl);
  if (!InitializeAcl(acl, sizeof security->acl, ACL_REVISION)) return false;
  PSID administrators = ntAuthoritySid(security->administrators, SECURITY_BUILTIN_DOMAIN_RID,
                                       DOMAIN_ALIAS_RID_ADMINS, 2);
  PSID system = ntAuthoritySid(security->system, SECURITY_LOCAL_SYSTEM_RID, 0, 1);
  PSID user = processUserSid(security->tokenUser, sizeof security->tokenUser);
  BYTE flags = inheritance == kInheritedByContents ? kInherited : 0;
  if (!allow(acl, administrators, flags) || !allow(acl, system, flags) || !allow(acl, user, flags)) {
    return false;
  }
  if (!InitializeSecurityDescriptor(&security->descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&security->descriptor, TRUE, acl, FALSE) ||
      !protectDacl(&security->descriptor)) {
    return false;
  }
  security->attributes.nLength = sizeof security->attributes;
  security->attributes.lpSecurityDescriptor = &security->descriptor;
  security->attributes.bInheritHandle = FALSE;
  return true;
}

}  // namespace platform
