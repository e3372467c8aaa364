// The platform services on Windows, over kernel32 and advapi32. Every function
// imported here exists on Windows NT 4.0; newer ones are looked up at run time.
#include "platform/platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "platform/environment.h"
#include "platform/win32_native.h"
#include "platform/win32_security.h"

namespace platform {

const char kPathSeparator = '\\';
const char kConsoleLineEnd[] = "\r\n";

// The system directory as the run reads it: a 256-byte buffer.
static constexpr DWORD kSystemDirectorySize = 256;

// msvcrt on NT 4.0 has no strnlen.
static size_t boundedLength(const char* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}

void systemRoot(char* buffer, size_t size) {
  char directory[kSystemDirectorySize] = {0};
  GetSystemDirectoryA(directory, kSystemDirectorySize);
  size_t length = boundedLength(directory, 3);
  if (length + 1 > size) length = 0;
  memcpy(buffer, directory, length);
  buffer[length] = '\0';
}

bool logVolume(char* buffer, size_t size) {
  const char* value = findEnvironment("systemdrive");
  char drive[3] = {0};
  if (value == nullptr) {
    // Without the variable, the drive of the system directory.
    char directory[kSystemDirectorySize] = {0};
    GetSystemDirectoryA(directory, kSystemDirectorySize);
    memcpy(drive, directory, boundedLength(directory, 2));
    value = drive;
  }
  size_t length = strlen(value);
  if (length + 1 > size) return false;
  memcpy(buffer, value, length + 1);
  return true;
}

bool getCurrentDirectory(char* buffer, size_t size) {
  char path[MAX_PATH + 1];
  DWORD length = GetCurrentDirectoryA(sizeof path, path);
  if (length == 0 || length >= sizeof path || length + 1 > size) return false;
  memcpy(buffer, path, length + 1);
  return true;
}

bool setCurrentDirectory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

bool isDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool pathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool createDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool createPrivateDirectory(const char* path) {
  OwnersSecurity security;
  return buildOwnersOnlySecurity(kInheritedByContents, &security) &&
         CreateDirectoryA(path, &security.attributes) != 0;
}

bool removeDirectory(const char* path) { return RemoveDirectoryA(path) != 0; }

static void toEntry(const WIN32_FIND_DATAA& data, DirectoryEntry* entry) {
  entry->attributes = data.dwFileAttributes;
  entry->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  size_t length = boundedLength(data.cFileName, sizeof entry->name - 1);
  memcpy(entry->name, data.cFileName, length);
  entry->name[length] = '\0';
}

FindHandle findFirstFile(const char* pattern, DirectoryEntry* entry) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return kNoFind;
  toEntry(data, entry);
  return reinterpret_cast<FindHandle>(find);
}

int findNextFile(FindHandle find, DirectoryEntry* entry) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(reinterpret_cast<HANDLE>(find), &data)) {
    return GetLastError() == ERROR_NO_MORE_FILES ? kNoMoreEntries : kListingFailed;
  }
  toEntry(data, entry);
  return kFoundEntry;
}

void findClose(FindHandle find) { FindClose(reinterpret_cast<HANDLE>(find)); }

bool copyFile(const char* source, const char* target) {
  return CopyFileA(source, target, FALSE) != 0;
}

bool getFileSize(const char* path, uint64_t* size) {
  // No access beyond the file's attributes is asked for, so that no other
  // process's sharing can refuse the open.
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  // A size whose low part is all ones is told from a failure by the last error.
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(file, &high);
  bool known = low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
  CloseHandle(file);
  if (known) *size = (static_cast<uint64_t>(high) << 32) | low;
  return known;
}

bool setFileAttributesNormal(const char* path) {
  return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != 0;
}

bool deleteFile(const char* path) { return DeleteFileA(path) != 0; }

// The attributes that can be set on a file; the others (compressed,
// encrypted, sparse, reparse point) are the file system's own.
static constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool holdFile(const char* path, HeldFile* held) {
  // Delete sharing lets the name be deleted while the file is held.
  HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, hasReparsePoints() ? FILE_FLAG_OPEN_REPARSE_POINT : 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  const DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if (!GetFileInformationByHandle(file, &information) ||
      (information.dwFileAttributes & notAFile) != 0) {
    CloseHandle(file);
    return false;
  }
  held->handle = reinterpret_cast<FileHandle>(file);
  held->links = information.nNumberOfLinks;
  held->attributes = information.dwFileAttributes & kSettableAttributes;
  return true;
}

bool clearHeldFileAttributes(const HeldFile& held) {
  return setAttributesThrough(reinterpret_cast<HANDLE>(held.handle), FILE_ATTRIBUTE_NORMAL);
}

bool restoreHeldFileAttributes(const HeldFile& held) {
  // Zero would leave them unchanged: no attribute at all is "normal".
  DWORD attributes = held.attributes != 0 ? held.attributes : FILE_ATTRIBUTE_NORMAL;
  return setAttributesThrough(reinterpret_cast<HANDLE>(held.handle), attributes);
}

void releaseFile(const HeldFile& held) { CloseHandle(reinterpret_cast<HANDLE>(held.handle)); }

bool getTempFileName(const char* directory, const char* prefix, char* buffer, size_t size) {
  char name[MAX_PATH + 1] = {0};
  if (GetTempFileNameA(directory, prefix, 0, name) == 0) return false;
  size_t length = boundedLength(name, MAX_PATH);
  if (length + 1 > size) return false;
  memcpy(buffer, name, length + 1);
  return true;
}

bool getDiskFreeSpace(const char* root, DiskSpace* space) {
  DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
    return false;
  }
  space->sectorsPerCluster = sectorsPerCluster;
  space->bytesPerSector = bytesPerSector;
  space->freeClusters = freeClusters;
  return true;
}

FileHandle openForReading(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

long readFile(FileHandle file, void* buffer, size_t size) {
  DWORD count = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, static_cast<DWORD>(size), &count, nullptr)) {
    return -1;
  }
  return static_cast<long>(count);
}

FileFailure lastFileFailure() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return kFileNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_LOGON_FAILURE:
    case ERROR_ACCOUNT_RESTRICTION:
    case ERROR_NETWORK_ACCESS_DENIED:
      return kFileAccessDenied;
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_REM_NOT_LIST:
    case ERROR_NETNAME_DELETED:
    case ERROR_NO_NET_OR_BAD_PATH:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
      return kFileNetworkPathNotFound;
    case ERROR_SEM_TIMEOUT:
      return kFileTimedOut;
    default:
      return kFileFailed;
  }
}

bool writeFile(FileHandle file, const void* data, size_t size) {
  // An offset of all ones asks the system to write at the file's current end.
  OVERLAPPED atEnd = {};
  atEnd.Offset = 0xFFFFFFFF;
  atEnd.OffsetHigh = 0xFFFFFFFF;
  DWORD written = 0;
  return WriteFile(reinterpret_cast<HANDLE>(file), data, static_cast<DWORD>(size), &written, &atEnd) &&
         written == size;
}

bool closeFile(FileHandle file) { return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0; }

FileHandle openForWriting(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

bool getVersion(VersionInfo* info, bool extended) {
  OSVERSIONINFOEXA version;
  memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXA) : sizeof(OSVERSIONINFOA);
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) return false;
  info->major = version.dwMajorVersion;
  info->minor = version.dwMinorVersion;
  info->platformId = version.dwPlatformId;
  info->suiteMask = extended ? version.wSuiteMask : 0;
  return true;
}

Wow64Probe findWow64Probe() {
  HMODULE kernel = GetModuleHandleA("kernel32");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<Wow64Probe>(GetProcAddress(kernel, "IsWow64Process"));
}

bool callWow64Probe(Wow64Probe probe) {
  typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
  BOOL isWow64 = FALSE;
  reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void (*)()>(probe))(GetCurrentProcess(),
                                                                                &isWow64);
  return isWow64 != FALSE;
}

// The system directory's cmd.exe, or an empty text when the system directory
// cannot be read. Without an application name CreateProcessA would look in the
// program's own directory and the current one (the update's) first, where
// anyone who can write there could put a cmd.exe of their own.
static void systemInterpreter(char* path, UINT size) {
  static const char kInterpreter[] = "\\cmd.exe";
  UINT length = GetSystemDirectoryA(path, size);
  if (length == 0 || length + sizeof kInterpreter > size) {
    path[0] = '\0';
    return;
  }
  memcpy(path + length, kInterpreter, sizeof kInterpreter);
}

int32_t runCommand(char* commandText, const char*) {
  char interpreter[MAX_PATH + 1];
  systemInterpreter(interpreter, sizeof interpreter);
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(interpreter[0] != '\0' ? interpreter : nullptr, commandText, nullptr, nullptr,
                      FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return static_cast<int32_t>(GetLastError());
  }
  DWORD exitCode = 0;
  int32_t value = kExitCodeUnreadable;
  if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process.hProcess, &exitCode)) {
    value = static_cast<int32_t>(exitCode);
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return value;
}

void getLocalTime(LocalTime* now) {
  SYSTEMTIME local;
  GetLocalTime(&local);
  now->year = local.wYear;
  now->month = local.wMonth;
  now->day = local.wDay;
  now->hour = local.wHour;
  now->minute = local.wMinute;
  now->second = local.wSecond;
}

bool getUtcOffset(int* minutes) {
  TIME_ZONE_INFORMATION zone;
  DWORD which = GetTimeZoneInformation(&zone);
  if (which == TIME_ZONE_ID_INVALID) return false;
  LONG bias = zone.Bias;  // UTC = local time + bias
  if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  *minutes = static_cast<int>(-bias);
  return true;
}

void sleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }

// The environment block is read once and kept for the life of the process, so
// that the values handed out stay valid.
static const char* const kEnvironmentBlock = GetEnvironmentStringsA();

const char* findEnvironment(const char* name) {
  const char* block = kEnvironmentBlock;
  if (block == nullptr) return nullptr;
  for (const char* entry = block; *entry != '\0'; entry += strlen(entry) + 1) {
    const char* value = matchEnvironmentEntry(entry, name);
    if (value != nullptr) return value;
  }
  return nullptr;
}

const char* rawCommandLine() { return GetCommandLineA(); }

// A process started with no usable standard output or error (no console, or an
// invalid handle) is given a negative descriptor by the newer C runtimes (-2,
// or -1 before them), and passing one on is an invalid parameter, which may end
// the process. A runtime that keeps the descriptor over the invalid handle just
// fails the writes. Either way the lines then go nowhere, silently.
static bool isUsable(FILE* stream) { return _fileno(stream) >= 0; }

void prepareProcess() {
  // Standard output and error are written through the C runtime in binary
  // mode: the programs write their own CR LF, and no byte of a line is changed
  // on the way.
  if (isUsable(stdout)) _setmode(_fileno(stdout), _O_BINARY);
  if (isUsable(stderr)) _setmode(_fileno(stderr), _O_BINARY);
}

void writeConsole(const char* text, size_t length) {
  if (isUsable(stdout)) fwrite(text, 1, length, stdout);
}

void flushConsole() {
  if (isUsable(stdout)) fflush(stdout);
}

void writeErrorConsole(const char* text, size_t length) {
  if (isUsable(stderr)) fwrite(text, 1, length, stderr);
}

bool errorConsoleIsTerminal() {
  DWORD mode;
  return isUsable(stderr) && GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace platform
