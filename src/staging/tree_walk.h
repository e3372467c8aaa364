// Copying a directory tree, and emptying one.
#ifndef QN_STAGING_TREE_WALK_H
#define QN_STAGING_TREE_WALK_H

#include <cstddef>
#include <cstdint>

// Copy mode (`destination` is an existing directory whose path ends with the
// separator): copies every file and sub-directory below `source` into it,
// overwriting existing files and making every copy writable. Stops at the first
// failure, printing "Unable to copy files from QN CD to hard drive." or "Unable
// to create temporary sub-directory!" for it and "Unable to copy sub-directory
// update files to the hard drive." for each level above it, and returns 1. An
// entry whose path does not fit in a path buffer, a listing of the source that
// breaks off, and a sub-directory that cannot be listed are such failures: a
// directory of the source that cannot be read whole prints the first of those
// lines, "Unable to copy files from QN CD to hard drive.", as a file does. So
// does a copy whose size is not the size of its source as opened for the copy. A
// FIFO, socket or device in the source cannot be copied (POSIX).
//
// Removal mode (`destination` is null): deletes everything below `source`,
// leaving `source` itself. An entry listed read-only, hidden or system that
// will not go has its attributes cleared and is tried once more (a read-only
// directory is made writable before it is emptied); a file that has other
// names (hard links) gets its attributes back, or "Unable to restore
// attributes of temp file PATH" is printed. A link (a junction or symbolic
// link) is removed as itself and never entered, and its attributes are never
// changed, so nothing outside `source` is touched; the copy,
// like Windows' own listing, does follow links to directories, and the path
// limit ends a loop. Never stops early: prints "Unable to remove temp file
// PATH" for a file and "Could not remove temporary sub-directory." for a
// sub-directory that stays behind, goes on, and returns 0.
//
// A `source` that cannot be listed (missing or unreadable) gives 0 in both
// modes: there is nothing to copy or remove. The separator is appended to `source` in place when it lacks one, so
// `sourceSize` must leave room for it. Returns 0 for success, 1 for failure.
int walkTree(char* source, size_t sourceSize, const char* destination);

// Measure mode: walks `source` as the copy would, through the same links, and
// fails where the copy would fail to read it, with the same lines, but copies
// nothing and reads only directory listings. Adds to `*bytes` what a copy
// takes: each file's size rounded up to whole clusters of `clusterSize` bytes
// and one cluster for each sub-directory. Returns 0 for success, 1 for failure.
int measureTree(char* source, size_t sourceSize, uint64_t clusterSize, uint64_t* bytes);

// The first line of a copy that fails on a file, or on reading a directory of
// the source; the levels above add their own lines.
extern const char kFilesNotCopied[];

#endif  // QN_STAGING_TREE_WALK_H
