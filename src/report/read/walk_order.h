// The order of the walk of the folders under qnReport's PATHs: each path given
// in turn; each folder right before its entries, in the order of their
// listing, and its entries (with theirs) before its next sibling.
#ifndef QN_REPORT_READ_WALK_ORDER_H
#define QN_REPORT_READ_WALK_ORDER_H

#include <cstdint>
#include <string>

// Appends `place` to `position`. A position in the order of the walk is the places of the job and of the
// folders above it, each written so that comparing the texts byte by byte
// (as std::string does, as unsigned bytes) compares the places in turn, and
// a folder comes right before its entries: 1 to 5 bytes, shorter for
// smaller numbers, the first byte telling the length.
void appendPlace(std::string* position, uint32_t place);

#endif  // QN_REPORT_READ_WALK_ORDER_H
