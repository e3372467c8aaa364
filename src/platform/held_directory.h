// Files in a held directory: the result log and its lock file.
//
// A directory is opened once and held; the files in it are opened relative to
// it, so that they are the files of that very directory whatever is done to
// its name meanwhile. Those files, when a run creates them, are for their
// owners only: on Windows full control for Administrators, SYSTEM and this
// process's user and nothing for anyone else, protected from the directory's
// inheritable entries; on POSIX mode 0600. No open goes through a link: a file
// that is a link, has another name (a hard link) or is not a plain file is
// refused, and what it leads to is left untouched.
#ifndef QN_PLATFORM_HELD_DIRECTORY_H
#define QN_PLATFORM_HELD_DIRECTORY_H

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace platform {

using DirectoryHandle = intptr_t;
constexpr DirectoryHandle kNoDirectory = -1;

// What holdDirectory, takeLockFile and openForAppending give. Only on kOpened
// is the handle set.
constexpr int kOpened = 0;
// Another process holds it: has it open in a way that shuts this open out (on
// Windows a sharing violation, which a copy of the log being collected gives,
// and another run's hold on the lock file), or holds the lock. Try again later.
constexpr int kOpenBusy = 1;
constexpr int kOpenFailed = 2;

// Opens the directory `path` itself and holds it in `*directory`.
// kOpenFailed when it is not a directory, is a link, or cannot be opened.
// Windows: held without delete sharing, so that it cannot be renamed or
// replaced while held; opened as itself where its volume has reparse points,
// and refused when the handle is not a directory or is a reparse point, or
// when the directory's entry in its parent is a reparse point or another
// directory than the one held (a system that opens a link's target in spite of
// being asked for the link itself, as Wine does, is caught there). POSIX:
// O_DIRECTORY and O_NOFOLLOW.
int holdDirectory(const char* path, DirectoryHandle* directory);
void releaseDirectory(DirectoryHandle directory);

// Takes the lock file `name` in `directory`, creating it if absent, without
// waiting: kOpenBusy while another holds it. `*lock` holds the lock until it
// is closed with closeFile. Windows: the file is opened with no sharing at all,
// so that one holder at a time can have it open. POSIX: an exclusive flock.
int takeLockFile(DirectoryHandle directory, const char* name, FileHandle* lock);

// Opens the file `name` in `directory` for appending into `*file`, creating it
// if absent. One 0x1A byte at the end of an existing file is removed, and
// every write with appendToFile lands at the file's end.
int openForAppending(DirectoryHandle directory, const char* name, FileHandle* file);

// What appendToFile gives.
constexpr int kAppended = 0;
constexpr int kAppendLockedOut = 1;  // another process has locked that part of the file
constexpr int kAppendFailed = 2;

// Writes all `size` bytes at the file's end in one write. A write refused by
// another process's lock (kAppendLockedOut) writes nothing.
int appendToFile(FileHandle file, const void* data, size_t size);

}  // namespace platform

#endif  // QN_PLATFORM_HELD_DIRECTORY_H
