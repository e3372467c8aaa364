// The staged run: the update tree is copied to a new directory in the root of
// the system volume, run from there, and removed afterwards.
#ifndef QN_STAGING_STAGED_RUN_H
#define QN_STAGING_STAGED_RUN_H

#include <cstddef>
#include <cstdint>

// The free space that a staged run needs on the system volume.
constexpr uint64_t kFreeSpaceThreshold = 2000000;
// The pause before the staging tree is removed.
constexpr uint32_t kCleanUpPauseMilliseconds = 5000;

// Reserves a unique name in `systemRoot` ("QNT", one to four hexadecimal digits,
// ".tmp"), releases the reservation file at once, and stores the name followed
// by the path separator. When no name can be made, the name is the separator
// alone, a directory that always exists and so can never be created. A buffer
// too small for the separator gets an empty text; nothing is written past `size`.
void makeStagingName(const char* systemRoot, char* stagingDir, size_t size);

// Checks that the system volume has room for a copy of `sourceDir`'s tree (as
// measureTree counts it) with kFreeSpaceThreshold bytes to spare, creates the
// staging directory and copies the tree into it. A name that another run took
// meanwhile is replaced by a new one from makeStagingName, in `stagingDir`
// (`size` bytes). Returns 0, or 1 after printing why: "Unable to determine if
// enough free space to copy files.", "Not enough disk space to copy necessary
// files.", "Unable to create temporary directory!" or "Unable to copy update
// files to the hard drive.". A copy that fails part-way is removed again
// (removeStaging), so that nothing is left.
int stageUpdate(const char* systemRoot, const char* sourceDir, char* stagingDir, size_t size);

// Removes everything in the staging directory and the directory itself, at
// once. Prints only what stays behind: the removal's lines for each file or
// sub-directory, then "Could not remove temporary directory" followed by the
// path (or "Could not delete files from temporary directory."). Only a
// directory that this run created may be given.
void removeStaging(const char* stagingDir);

#endif  // QN_STAGING_STAGED_RUN_H
