// The process on Windows, over kernel32: the version, the commands, the time,
// the environment and the console. Every function imported here exists on
// Windows NT 4.0; newer ones are looked up at run time.
#include "platform/platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/environment.h"
#include "platform/win32_names.h"

namespace platform {

const char kPathSeparator = '\\';
const char kConsoleLineEnd[] = "\r\n";

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

uint32_t setErrorMode(uint32_t mode) { return SetErrorMode(mode); }

// A console that UTF-8 text is written to as Unicode (useUtf8Text): the
// bytes of a character cut at the end of one write wait for the next.
struct UnicodeConsole {
  HANDLE handle;
  bool isConsole;
  std::string pending;
};
static UnicodeConsole unicodeOutput;
static UnicodeConsole unicodeError;

void startUnicodeConsole() {
  const DWORD standard[] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  UnicodeConsole* consoles[] = {&unicodeOutput, &unicodeError};
  for (int i = 0; i < 2; ++i) {
    DWORD mode;
    consoles[i]->handle = GetStdHandle(standard[i]);
    consoles[i]->isConsole = consoles[i]->handle != INVALID_HANDLE_VALUE &&
                             consoles[i]->handle != nullptr &&
                             GetConsoleMode(consoles[i]->handle, &mode) != 0;
  }
}

// The length of the text's start that ends with a whole UTF-8 character.
static size_t wholeCharacters(const std::string& text) {
  size_t end = text.size();
  for (size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    unsigned char byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    size_t needs = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    if (needs > back) end = text.size() - back;
    break;
  }
  return end;
}

static bool writeUnicode(UnicodeConsole* console, const char* text, size_t length) {
  console->pending.append(text, length);
  size_t whole = wholeCharacters(console->pending);
  std::wstring wide = wideFromUtf8(console->pending.data(), whole);
  console->pending.erase(0, whole);
  // Older consoles refuse a long write: a few thousand characters at a time.
  const size_t kPiece = 4096;
  for (size_t at = 0; at < wide.size(); at += kPiece) {
    DWORD count = static_cast<DWORD>(wide.size() - at < kPiece ? wide.size() - at : kPiece);
    DWORD written = 0;
    if (!WriteConsoleW(console->handle, wide.data() + at, count, &written, nullptr)) return false;
  }
  return true;
}

bool writeConsole(const char* text, size_t length) {
  if (namesAreUtf8() && unicodeOutput.isConsole) return writeUnicode(&unicodeOutput, text, length);
  return !isUsable(stdout) || fwrite(text, 1, length, stdout) == length;
}

bool flushConsole() {
  if (namesAreUtf8() && unicodeOutput.isConsole) return true;
  return !isUsable(stdout) || fflush(stdout) == 0;
}

void endProcess(int status) {
  if (isUsable(stdout)) fflush(stdout);
  if (isUsable(stderr)) fflush(stderr);
  ExitProcess(static_cast<UINT>(status));
}

void writeErrorConsole(const char* text, size_t length) {
  if (namesAreUtf8() && unicodeError.isConsole) {
    writeUnicode(&unicodeError, text, length);
  } else if (isUsable(stderr)) {
    fwrite(text, 1, length, stderr);
  }
}

bool errorConsoleIsTerminal() {
  DWORD mode;
  return isUsable(stderr) && GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace platform
