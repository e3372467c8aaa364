// Native calls that kernel32 does not offer on every Windows this program runs
// on: opening a file relative to a directory handle, listing one entry of a
// directory with its file id, and setting a file's attributes through a
// handle. Every NT since 3.1 has them in ntdll, where they are looked up at run
// time, never imported.
#ifndef QN_PLATFORM_WIN32_NATIVE_H
#define QN_PLATFORM_WIN32_NATIVE_H

#include <windows.h>

namespace platform {

// An NTSTATUS: negative for a failure.
using NativeStatus = LONG;
constexpr NativeStatus kStatusSharingViolation = static_cast<NativeStatus>(0xC0000043);

// True when files on the volume of `path`, or of the open `file`, can be
// reparse points (junctions, symbolic links), which only there are opened as
// themselves: the volume says so (FILE_SUPPORTS_REPARSE_POINTS), whatever
// version the system claims to be (a compatibility layer may claim NT 4.0,
// which does not know the flag). Where the volume cannot be asked, from
// Windows 2000 on.
bool volumeHasReparsePoints(const char* path);
bool volumeHasReparsePoints(HANDLE file);

// Opens `name` in `directory` (a handle), creating it with `descriptor` when
// absent: not a directory, for synchronous use, and as itself where files can
// be reparse points. The file's handle in `*file` on success.
NativeStatus createFileIn(HANDLE directory, const char* name, ACCESS_MASK access, ULONG share,
                          PSECURITY_DESCRIPTOR descriptor, HANDLE* file);

// True when the entry that names `path` in its directory is no reparse point
// and is what `held` holds: the same file id on the same volume. Where the
// system lists no file ids (NT 4.0 and 2000, and FAT, which gives them as
// zero) only the reparse point is checked.
bool isListedAs(HANDLE held, const char* path);

// Sets a file's attributes through a handle opened with FILE_WRITE_ATTRIBUTES.
bool setAttributesThrough(HANDLE file, DWORD attributes);

}  // namespace platform

#endif  // QN_PLATFORM_WIN32_NATIVE_H
