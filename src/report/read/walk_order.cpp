#include "report/read/walk_order.h"

void appendPlace(std::string* position, uint32_t place) {
  unsigned char bytes[5];
  size_t length;
  if (place < 0x80u) {
    bytes[0] = static_cast<unsigned char>(place);
    length = 1;
  } else if (place < 0x4000u) {
    bytes[0] = static_cast<unsigned char>(0x80u | place >> 8);
    length = 2;
  } else if (place < 0x200000u) {
    bytes[0] = static_cast<unsigned char>(0xC0u | place >> 16);
    length = 3;
  } else if (place < 0x10000000u) {
    bytes[0] = static_cast<unsigned char>(0xE0u | place >> 24);
    length = 4;
  } else {
    bytes[0] = 0xF0u;
    length = 5;
  }
  for (size_t i = 1; i < length; ++i) bytes[i] = static_cast<unsigned char>(place >> (8 * (length - 1 - i)));
  position->append(reinterpret_cast<const char*>(bytes), length);
}
