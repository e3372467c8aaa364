#include "platform/win32_native.h"

#include <winternl.h>

#include <cstring>

namespace platform {

static constexpr NativeStatus kStatusNotFound = static_cast<NativeStatus>(0xC000007A);
static constexpr NativeStatus kStatusBadName = static_cast<NativeStatus>(0xC0000033);

// A function of ntdll, or null. The declarations of winternl.h give only its
// type (decltype does not use the function, so nothing is imported).
template <typename Pointer>
static Pointer ntdllFunction(const char* name) {
  HMODULE ntdll = GetModuleHandleA("ntdll");
  FARPROC found = ntdll != nullptr ? GetProcAddress(ntdll, name) : nullptr;
  return reinterpret_cast<Pointer>(reinterpret_cast<void (*)()>(found));
}

static bool systemHasReparsePoints() { return LOBYTE(LOWORD(GetVersion())) >= 5; }

// The root of the volume that `path` lies on, with its trailing separator, as
// GetVolumeInformationA wants it: "C:\\" or "\\\\server\\share\\". False when
// the path names neither a drive nor a share.
static bool volumeRoot(const char* path, char* root, DWORD size) {
  char* name = nullptr;
  DWORD length = GetFullPathNameA(path, size, root, &name);
  if (length == 0 || length >= size) return false;
  if (length >= 3 && root[1] == ':' && root[2] == '\\') {
    root[3] = '\0';
    return true;
  }
  if (root[0] != '\\' || root[1] != '\\') return false;
  // The server's name and the share's: the separator after the share ends the root.
  DWORD separators = 0;
  for (DWORD i = 2; i < length; ++i) {
    if (root[i] == '\\' && ++separators == 2) {
      root[i + 1] = '\0';
      return true;
    }
  }
  if (separators != 1 || length + 2 > size) return false;
  root[length] = '\\';
  root[length + 1] = '\0';
  return true;
}

bool volumeHasReparsePoints(const char* path) {
  char root[MAX_PATH + 2];
  DWORD flags = 0;
  if (!volumeRoot(path, root, sizeof root) ||
      !GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
    return systemHasReparsePoints();
  }
  return (flags & FILE_SUPPORTS_REPARSE_POINTS) != 0;
}

bool volumeHasReparsePoints(HANDLE file) {
  auto query = ntdllFunction<decltype(&NtQueryVolumeInformationFile)>("NtQueryVolumeInformationFile");
  union {
    FILE_FS_ATTRIBUTE_INFORMATION attributes;
    char bytes[sizeof(FILE_FS_ATTRIBUTE_INFORMATION) + MAX_PATH * sizeof(WCHAR)];
  } volume;
  IO_STATUS_BLOCK status;
  if (query == nullptr ||
      query(file, &status, &volume, sizeof volume, FileFsAttributeInformation) < 0) {
    return systemHasReparsePoints();
  }
  return (volume.attributes.FileSystemAttributes & FILE_SUPPORTS_REPARSE_POINTS) != 0;
}

NativeStatus createFileIn(HANDLE directory, const char* name, ACCESS_MASK access, ULONG share,
                          PSECURITY_DESCRIPTOR descriptor, HANDLE* file) {
  auto create = ntdllFunction<decltype(&NtCreateFile)>("NtCreateFile");
  if (create == nullptr) return kStatusNotFound;
  WCHAR wide[MAX_PATH + 1];
  int length = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH + 1);
  if (length <= 1) return kStatusBadName;
  UNICODE_STRING objectName;
  objectName.Buffer = wide;
  objectName.Length = static_cast<USHORT>((length - 1) * sizeof(WCHAR));
  objectName.MaximumLength = static_cast<USHORT>(length * sizeof(WCHAR));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, directory, descriptor);
  IO_STATUS_BLOCK status;
  ULONG options = FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT |
                  (volumeHasReparsePoints(directory) ? FILE_OPEN_REPARSE_POINT : 0);
  return create(file, access, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                FILE_OPEN_IF, options, nullptr, 0);
}

// NtQueryDirectoryFile, which winternl.h does not declare.
typedef NTSTATUS(NTAPI* QueryDirectoryFunction)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID,
                                                ULONG, FILE_INFORMATION_CLASS, BOOLEAN,
                                                PUNICODE_STRING, BOOLEAN);

// What a system or file system that lists no file ids answers.
static bool listsNoFileIds(NativeStatus status) {
  return status == static_cast<NativeStatus>(0xC0000002) ||  // not implemented
         status == static_cast<NativeStatus>(0xC0000003) ||  // invalid information class
         status == static_cast<NativeStatus>(0xC000000D) ||  // invalid parameter
         status == static_cast<NativeStatus>(0xC00000BB);    // not supported
}

bool isListedAs(HANDLE held, const char* path) {
  auto query = ntdllFunction<QueryDirectoryFunction>("NtQueryDirectoryFile");
  char parent[MAX_PATH + 1];
  char* name = nullptr;
  DWORD length = GetFullPathNameA(path, sizeof parent, parent, &name);
  WCHAR wideName[MAX_PATH + 1];
  int nameLength = 0;
  if (query != nullptr && length > 0 && length < sizeof parent && name != nullptr) {
    nameLength = MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, MAX_PATH + 1) - 1;
  }
  if (nameLength <= 0) return false;
  *name = '\0';  // the directory that lists it, with its separator
  HANDLE directory = CreateFileA(parent, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (directory == INVALID_HANDLE_VALUE) return false;
  // A name without wildcards lists that one entry; a new handle takes a new one.
  UNICODE_STRING mask;
  mask.Buffer = wideName;
  mask.Length = static_cast<USHORT>(nameLength * sizeof(WCHAR));
  mask.MaximumLength = static_cast<USHORT>((nameLength + 1) * sizeof(WCHAR));
  union {
    FILE_ID_BOTH_DIR_INFORMATION entry;
    char bytes[1024];
  } listed;
  IO_STATUS_BLOCK status;
  NativeStatus queried = query(directory, nullptr, nullptr, nullptr, &status, &listed, sizeof listed,
                               FileIdBothDirectoryInformation, TRUE, &mask, TRUE);
  BY_HANDLE_FILE_INFORMATION parentInformation;
  BY_HANDLE_FILE_INFORMATION heldInformation;
  bool known = GetFileInformationByHandle(directory, &parentInformation) &&
               GetFileInformationByHandle(held, &heldInformation);
  CloseHandle(directory);
  if (listsNoFileIds(queried)) return true;
  if (queried < 0 || !known || (listed.entry.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return false;
  }
  ULONGLONG heldId = (static_cast<ULONGLONG>(heldInformation.nFileIndexHigh) << 32) |
                     heldInformation.nFileIndexLow;
  ULONGLONG listedId = static_cast<ULONGLONG>(listed.entry.FileId.QuadPart);
  return listedId == 0 ||
         (listedId == heldId &&
          parentInformation.dwVolumeSerialNumber == heldInformation.dwVolumeSerialNumber);
}

bool setAttributesThrough(HANDLE file, DWORD attributes) {
  auto set = ntdllFunction<decltype(&NtSetInformationFile)>("NtSetInformationFile");
  if (set == nullptr) return false;
  FILE_BASIC_INFORMATION basic;
  memset(&basic, 0, sizeof basic);  // times of zero are left as they are
  basic.FileAttributes = attributes;
  IO_STATUS_BLOCK status;
  return set(file, &status, &basic, sizeof basic, FileBasicInformation) >= 0;
}

}  // namespace platform
