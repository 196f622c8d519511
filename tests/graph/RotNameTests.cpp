#include "graph/RotName.h"

#include <gtest/gtest.h>

namespace sonotape {
namespace {

TEST(FormatRotName, PadsTheAddressAndKeepsThePidShort) {
  EXPECT_EQ(FormatRotName(0x00A3F2B0, 8, 0x1F4), L"FilterGraph 00A3F2B0 pid 1F4");
  EXPECT_EQ(FormatRotName(0xabcdef, 8, 0xbeef), L"FilterGraph 00ABCDEF pid BEEF");
  EXPECT_EQ(FormatRotName(0, 8, 0), L"FilterGraph 00000000 pid 0");
}

TEST(FormatRotName, SixtyFourBitAddressesShowAllDigits) {
  EXPECT_EQ(FormatRotName(0x00007FF612345678ull, 16, 4), L"FilterGraph 00007FF612345678 pid 4");
  EXPECT_EQ(FormatRotName(0xFFFFFFFFFFFFFFFFull, 16, 0xFFFFFFFFu),
            L"FilterGraph FFFFFFFFFFFFFFFF pid FFFFFFFF");
}

}  // namespace
}  // namespace sonotape
