// The tap measures the levels of what passes it, recording or not: tones at known levels on each
// channel of stereo and 5.1 through Wine's filter graph, read as command 9 answers them.

#include "recorder/RecorderFixture.h"

namespace recordertest {
namespace {

TEST_F(RecorderTest, TheTapMeasuresEachChannelsPeakWhetherItRecordsOrNot) {
  ASSERT_NO_FATAL_FAILURE(Start());
  SendTones({1.0, 0.5}, 300);
  EXPECT_EQ(recorder->PeakLevel(0), 0) << "full scale";
  EXPECT_EQ(recorder->PeakLevel(1), -602) << "half scale";
  EXPECT_EQ(recorder->PeakLevel(2), sonotape::kNoLevel) << "stereo has no third channel";

  recorder->StopRecording();
  SendTones({0.1, 0.0}, 400);  // the loud tones have left the last 300 ms
  EXPECT_EQ(recorder->PeakLevel(0), -2000) << "the tap stays and measures";
  EXPECT_EQ(recorder->PeakLevel(1), sonotape::kNoLevel) << "silence";

  const DecoderType surround(source->pin, 2);
  SendTones({0.5, 0.25, 0.1, 0.05, 1.0 / 64, 1.0}, 300, &surround.type);
  const int expected[] = {-602, -1204, -2000, -2602, -3612, 0};
  for (unsigned channel = 0; channel < 6; ++channel) {
    EXPECT_EQ(recorder->PeakLevel(channel), expected[channel]) << "channel " << channel;
  }
  Sleep(600);
  EXPECT_EQ(recorder->PeakLevel(0), sonotape::kNoLevel) << "no sound flows";
}

}  // namespace
}  // namespace recordertest
