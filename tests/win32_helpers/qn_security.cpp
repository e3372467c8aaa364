// Test helper for the Windows build under Wine: prints security descriptors as
// lines that the black-box tests read.
//
//   qnSecurity descriptor directory|file     the DACL the program builds for
//                                            its directories or for the log's
//                                            files, and this process's user
//   qnSecurity dacl PATH                     the DACL that PATH reads back with
//
// Output: "user SID" (descriptor only), "protected yes|no", then one line per
// entry: "allow|deny|other SID MASK FLAGS" with MASK and FLAGS in hexadecimal.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/win32_security.h"

static void printSid(PSID sid) {
  PSID_IDENTIFIER_AUTHORITY authority = GetSidIdentifierAuthority(sid);
  unsigned long value = 0;
  for (int i = 2; i < 6; ++i) value = (value << 8) | authority->Value[i];
  printf("S-1-%lu", value);
  for (UCHAR i = 0; i < *GetSidSubAuthorityCount(sid); ++i) {
    printf("-%lu", static_cast<unsigned long>(*GetSidSubAuthority(sid, i)));
  }
}

static int printDescriptor(PSECURITY_DESCRIPTOR descriptor) {
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL acl = nullptr;
  if (!GetSecurityDescriptorControl(descriptor, &control, &revision) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted)) {
    printf("error %lu\n", GetLastError());
    return 1;
  }
  printf("protected %s\n", (control & SE_DACL_PROTECTED) ? "yes" : "no");
  if (!present || acl == nullptr) {
    printf("no dacl\n");
    return 0;
  }
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(acl, i, &entry)) return 1;
    ACE_HEADER* header = static_cast<ACE_HEADER*>(entry);
    // Allowed and denied entries share one layout: header, mask, SID.
    ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    const char* type = header->AceType == ACCESS_ALLOWED_ACE_TYPE  ? "allow"
                       : header->AceType == ACCESS_DENIED_ACE_TYPE ? "deny"
                                                                   : "other";
    printf("%s ", type);
    printSid(&ace->SidStart);
    printf(" 0x%08lX 0x%02X\n", static_cast<unsigned long>(ace->Mask), header->AceFlags);
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "descriptor") == 0) {
    platform::OwnersSecurity security;
    bool file = strcmp(argv[2], "file") == 0;
    if (!platform::buildOwnersOnlySecurity(
            file ? platform::kThisObjectOnly : platform::kInheritedByContents, &security)) {
      printf("error %lu\n", GetLastError());
      return 1;
    }
    printf("user ");
    printSid(reinterpret_cast<TOKEN_USER*>(security.tokenUser)->User.Sid);
    printf("\n");
    return printDescriptor(&security.descriptor);
  }
  if (argc == 3 && strcmp(argv[1], "dacl") == 0) {
    static DWORD buffer[16384];
    DWORD needed = 0;
    if (!GetFileSecurityA(argv[2], DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &needed)) {
      printf("error %lu\n", GetLastError());
      return 1;
    }
    return printDescriptor(buffer);
  }
  fprintf(stderr, "usage: qnSecurity descriptor directory|file | qnSecurity dacl PATH\n");
  return 2;
}
