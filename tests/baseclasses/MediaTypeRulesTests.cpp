#include "baseclasses/MediaTypeRules.h"

#include <gtest/gtest.h>

namespace sonotape {
namespace {

constexpr GuidBytes kAudio{1, 2, 3};
constexpr GuidBytes kVideo{4, 5, 6};
constexpr GuidBytes kPcm{7};
constexpr GuidBytes kFloat{8};
constexpr GuidBytes kWaveFormat{9};
constexpr GuidBytes kOtherFormat{10};

const std::uint8_t kStereo[] = {1, 0, 2, 0, 0x80, 0xBB};
const std::uint8_t kStereoCopy[] = {1, 0, 2, 0, 0x80, 0xBB};
const std::uint8_t kMono[] = {1, 0, 1, 0, 0x80, 0xBB};

MediaTypeView Type(GuidBytes major, GuidBytes sub, GuidBytes format, const std::uint8_t* block,
                   std::uint32_t size) {
  return {major, sub, format, size, block};
}

MediaTypeView Pcm(const std::uint8_t* block = kStereo) { return Type(kAudio, kPcm, kWaveFormat, block, 6); }

TEST(MediaTypesEqual, ComparesTypesAndFormatBytesNotPointers) {
  EXPECT_TRUE(MediaTypesEqual(Pcm(kStereo), Pcm(kStereoCopy)));
  EXPECT_FALSE(MediaTypesEqual(Pcm(kStereo), Pcm(kMono)));
  EXPECT_FALSE(MediaTypesEqual(Pcm(), Type(kAudio, kFloat, kWaveFormat, kStereo, 6)));
  EXPECT_FALSE(MediaTypesEqual(Pcm(), Type(kVideo, kPcm, kWaveFormat, kStereo, 6)));
  EXPECT_FALSE(MediaTypesEqual(Pcm(), Type(kAudio, kPcm, kOtherFormat, kStereo, 6)));
  EXPECT_FALSE(MediaTypesEqual(Pcm(), Type(kAudio, kPcm, kWaveFormat, kStereo, 4)));
}

TEST(MediaTypesEqual, EmptyFormatsAreEqualWhateverTheirPointers) {
  EXPECT_TRUE(MediaTypesEqual(Type(kAudio, kPcm, kWaveFormat, kStereo, 0),
                              Type(kAudio, kPcm, kWaveFormat, nullptr, 0)));
}

TEST(MediaTypesEqual, AMissingBlockWithASizeNeverMatches) {
  // A record claiming format bytes it does not have is not read through.
  EXPECT_FALSE(MediaTypesEqual(Type(kAudio, kPcm, kWaveFormat, nullptr, 6), Pcm()));
  EXPECT_FALSE(MediaTypesEqual(Type(kAudio, kPcm, kWaveFormat, nullptr, 6),
                               Type(kAudio, kPcm, kWaveFormat, nullptr, 6)));
}

TEST(IsPartiallySpecified, OpenMajorOrFormatType) {
  EXPECT_FALSE(IsPartiallySpecified(Pcm()));
  EXPECT_TRUE(IsPartiallySpecified(Type({}, kPcm, kWaveFormat, kStereo, 6)));
  EXPECT_TRUE(IsPartiallySpecified(Type(kAudio, kPcm, {}, nullptr, 0)));
  // An open subtype alone does not make a type partial.
  EXPECT_FALSE(IsPartiallySpecified(Type(kAudio, {}, kWaveFormat, kStereo, 6)));
}

TEST(MatchesPartial, MajorTypeOnlyMatchesEveryCandidateOfThatMajorType) {
  const MediaTypeView audioOnly = Type(kAudio, {}, {}, nullptr, 0);
  EXPECT_TRUE(MatchesPartial(Pcm(), audioOnly));
  EXPECT_TRUE(MatchesPartial(Type(kAudio, kFloat, kOtherFormat, kMono, 6), audioOnly));
  EXPECT_FALSE(MatchesPartial(Type(kVideo, kPcm, kWaveFormat, kStereo, 6), audioOnly));
}

TEST(MatchesPartial, SubtypeIsCheckedWhenSet) {
  EXPECT_TRUE(MatchesPartial(Pcm(), Type({}, kPcm, {}, nullptr, 0)));
  EXPECT_FALSE(MatchesPartial(Pcm(), Type({}, kFloat, {}, nullptr, 0)));
}

TEST(MatchesPartial, FormatTypeSetRequiresIdenticalFormatBlock) {
  EXPECT_TRUE(MatchesPartial(Pcm(kStereo), Type(kAudio, {}, kWaveFormat, kStereoCopy, 6)));
  EXPECT_FALSE(MatchesPartial(Pcm(kStereo), Type(kAudio, {}, kWaveFormat, kMono, 6)));
  EXPECT_FALSE(MatchesPartial(Pcm(kStereo), Type(kAudio, {}, kOtherFormat, kStereo, 6)));
  EXPECT_FALSE(MatchesPartial(Pcm(kStereo), Type(kAudio, {}, kWaveFormat, nullptr, 0)));
  EXPECT_TRUE(MatchesPartial(Type(kAudio, kPcm, kWaveFormat, nullptr, 0),
                             Type(kAudio, {}, kWaveFormat, nullptr, 0)));
}

}  // namespace
}  // namespace sonotape
