// The order of the walk, as positions compare.
#include "report/read/walk_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string positionOf(const std::vector<uint32_t>& places) {
  std::string position;
  for (uint32_t place : places) appendPlace(&position, place);
  return position;
}

// Each position comes before the next, places on both sides of every length
// of their writing among them; a folder comes right before its entries, and
// they before its next sibling.
TEST(WalkOrderTest, PositionsCompareAsTheWalkGoes) {
  const std::vector<std::vector<uint32_t>> inOrder = {
      {0},          {0, 0},         {0, 0, 5},     {0, 1},          {0, 127},
      {0, 128},     {0, 128, 0},    {0, 16383},    {0, 16384},      {0, 2097151},
      {0, 2097152}, {0, 268435455}, {0, 268435456}, {0, UINT32_MAX}, {1},
      {127, 0},     {128},          {UINT32_MAX},  {UINT32_MAX, 0},
  };
  for (size_t i = 0; i + 1 < inOrder.size(); ++i) {
    EXPECT_LT(positionOf(inOrder[i]), positionOf(inOrder[i + 1])) << "position " << i;
  }
}

}  // namespace
