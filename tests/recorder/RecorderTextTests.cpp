#include "recorder/RecorderText.h"

#include <gtest/gtest.h>

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
