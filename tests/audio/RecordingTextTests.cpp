#include "audio/RecordingText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

namespace sonotape {
namespace {

TEST(FormatDuration, ShowsHoursMinutesSeconds) {
  EXPECT_EQ(FormatDuration(0), "00:00:00");
  EXPECT_EQ(FormatDuration(59.4), "00:00:59");
  EXPECT_EQ(FormatDuration(3599.6), "01:00:00");
  EXPECT_EQ(FormatDuration(3 * 3600 + 25 * 60 + 7), "03:25:07");
}

TEST(FormatDuration, RoundsTiesToEven) {
  EXPECT_EQ(FormatDuration(0.5), "00:00:00");
  EXPECT_EQ(FormatDuration(1.5), "00:00:02");
  EXPECT_EQ(FormatDuration(2.5), "00:00:02");
}

TEST(FormatDuration, HoursDoNotWrap) {
  EXPECT_EQ(FormatDuration(100 * 3600 + 1), "100:00:01");
}

TEST(FormatDuration, NonsenseShowsAsZeroOrStaysBounded) {
  EXPECT_EQ(FormatDuration(-5), "00:00:00");
  EXPECT_EQ(FormatDuration(std::numeric_limits<double>::quiet_NaN()), "00:00:00");
  // Far beyond any recording, but still a well-formed text rather than undefined behaviour.
  EXPECT_EQ(FormatDuration(std::numeric_limits<double>::infinity()), "277777777:46:40");
}

TEST(FormatWrittenSize, RoundsAsPrintfDoesWithTheGivenSeparator) {
  EXPECT_EQ(FormatWrittenSize(0, ","), "Written: 0,0 MB");
  EXPECT_EQ(FormatWrittenSize(1572864, ","), "Written: 1,5 MB");
  EXPECT_EQ(FormatWrittenSize(5ull << 30, " dec "), "Written: 5120 dec 0 MB");
  for (std::uint64_t bytes = 0; bytes < (3u << 20); bytes += 4093) {  // ties at 0.25 MiB and others
    char expected[64];
    std::snprintf(expected, sizeof expected, "Written: %.1f MB", static_cast<double>(bytes) / 1048576.0);
    ASSERT_EQ(FormatWrittenSize(bytes, "."), expected) << bytes;
  }
  EXPECT_EQ(FormatWrittenSize(262144, "."), "Written: 0.2 MB");
  EXPECT_EQ(FormatWrittenSize(786432, "."), "Written: 0.8 MB");
}

TEST(MakeFileNameSafe, TrimsBlanksAndControlCharacters) {
  EXPECT_EQ(MakeFileNameSafe("  \t News \r\n"), "News");
  EXPECT_EQ(MakeFileNameSafe(""), "");
  EXPECT_EQ(MakeFileNameSafe(" \x01 "), "");
}

TEST(MakeFileNameSafe, RemovesForbiddenCharactersInside) {
  EXPECT_EQ(MakeFileNameSafe("a\"b*c.d/e:f<g>h?i\\j|k"), "abcdefghijk");
  EXPECT_EQ(MakeFileNameSafe("Film\x07Night"), "FilmNight");
  EXPECT_EQ(MakeFileNameSafe("movie.wav"), "moviewav");
  // Inner spaces stay.
  EXPECT_EQ(MakeFileNameSafe("Late Show"), "Late Show");
}

TEST(MakeFileNameSafe, KeepsCharactersAbove127) {
  EXPECT_EQ(MakeFileNameSafe("Caf\xE9 M\xFCller"), "Caf\xE9 M\xFCller");
  EXPECT_EQ(MakeFileNameSafe("\xA0x\xA0"), "\xA0x\xA0");
}

}  // namespace
}  // namespace sonotape
