// The MP3 reader over a decoder double: where the data starts, the output format, how chunks are
// filled from whole frames, what a decode error or a bad frame does, and repositioning.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/MpgLib.h"
#include "player/Mp3Reader.h"
#include "support/MemoryStream.h"
#include "support/PcmFormats.h"

namespace sonotape {
namespace {

constexpr std::uint8_t kBadFrame = 0xEE;

// "Decodes" a frame into bytesPerFrame bytes of its number (the byte behind its header); a frame
// numbered kBadFrame is a decode error. With holdFirst, the first frame after each open is taken
// without output, as a decoder does with a Xing frame.
class DecoderDouble : public Mp3Decoder {
 public:
  bool Load() override { return available; }
  bool Open(void*& slot) override {
    if (!opens) return false;
    EXPECT_EQ(slot, nullptr) << "a second instance opened over the first";
    slot = &instance_;
    held_ = !holdFirst;
    ++openCount;
    return true;
  }
  int Decode(void* instance, const char* input, int inputSize, char* output, int outputSize, int& produced) override {
    EXPECT_EQ(instance, &instance_);
    produced = 0;
    const auto number = static_cast<std::uint8_t>(input[4]);
    frameSizes.push_back(inputSize);
    if (number == kBadFrame) return kMpgLibError;
    if (!held_) {
      held_ = true;
      return kMpgLibNeedMore;
    }
    EXPECT_GE(outputSize, bytesPerFrame);
    std::fill(output, output + bytesPerFrame, static_cast<char>(number));
    produced = bytesPerFrame;
    decoded.push_back(number);
    return 0;
  }
  void Close(void*& slot) override {
    EXPECT_EQ(slot, &instance_) << "closing an instance that is not open";
    slot = nullptr;
    ++closeCount;
  }
  bool Reset(void*& slot) override {
    ++resetCount;
    Close(slot);
    return Open(slot);
  }

  bool available = true;
  bool opens = true;
  bool holdFirst = false;
  int bytesPerFrame = 4608;
  int openCount = 0, closeCount = 0, resetCount = 0;
  std::vector<int> decoded;
  std::vector<int> frameSizes;

 private:
  int instance_ = 0;
  bool held_ = true;
};

constexpr std::size_t kFrameLength = 417;  // MPEG 1 Layer III, 128 kbit/s, 44100 Hz

// Frames numbered from first on, each its header, its number and zeros.
std::string Frames(int first, int count) {
  std::string bytes;
  for (int i = first; i < first + count; ++i) {
    std::string frame(kFrameLength, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x44';
    frame[4] = static_cast<char>(i);
    bytes += frame;
  }
  return bytes;
}

// Garbage before the first frame, with a false sync in it.
const std::string kGarbage = std::string(40, '\0') + "\xFF\xFB\x90\x44" + std::string(56, '\x11');

struct Mp3File {
  DecoderDouble decoder;
  testsupport::MemoryStream stream;
  Mp3Reader reader{decoder};
  PcmFormat format = testsupport::ExtensibleFormat(2, 24, 48000, 0x3);  // as handed in
  std::string error;

  explicit Mp3File(const std::string& bytes) : stream(bytes) {}
  bool Open() { return reader.Open(stream, format, error); }
  // The frame numbers of one chunk.
  std::vector<int> Chunk(std::size_t size = 8192) {
    std::vector<std::uint8_t> buffer(size);
    const std::size_t got = reader.ReadChunk(buffer.data(), size);
    std::vector<int> numbers;
    for (std::size_t at = 0; at < got; at += static_cast<std::size_t>(decoder.bytesPerFrame)) numbers.push_back(buffer[at]);
    return numbers;
  }
};

using Numbers = std::vector<int>;

TEST(Mp3Reader, StartsAtTheFirstConfirmedFrameAndGivesSixteenBitPcmAtItsRate) {
  Mp3File file(kGarbage + Frames(0, 10));
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.format.wFormatTag, kFormatPcm);
  EXPECT_EQ(file.format.nChannels, 2) << "the channels handed in";
  EXPECT_EQ(file.format.nSamplesPerSec, 44100u) << "the rate of the first frame";
  EXPECT_EQ(file.format.wBitsPerSample, 16);
  EXPECT_EQ(file.format.nBlockAlign, 4);
  EXPECT_EQ(file.format.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(file.format.cbSize, 0);
  EXPECT_EQ(file.format.dwChannelMask, 0u);
  EXPECT_EQ(file.Chunk(), Numbers{0});
  EXPECT_EQ(file.decoder.frameSizes, std::vector<int>{417}) << "one whole frame per call";
}

TEST(Mp3Reader, OpenFailuresSayOnlyWhatTheUserCanMend) {
  Mp3File missing(Frames(0, 10));
  missing.decoder.available = false;
  EXPECT_FALSE(missing.Open());
  EXPECT_EQ(missing.error, "MpgLib.dll is required for MP3 playback");

  Mp3File refused(Frames(0, 10));
  refused.decoder.opens = false;
  EXPECT_FALSE(refused.Open());
  EXPECT_EQ(refused.error, "");

  Mp3File late(std::string(4000, '\0') + Frames(0, 10));  // the second header lies beyond 4096 bytes
  EXPECT_FALSE(late.Open());
  EXPECT_EQ(late.error, "");
  late.reader.Close();
  EXPECT_EQ(late.decoder.closeCount, late.decoder.openCount) << "the decoder opened is closed";
}

TEST(Mp3Reader, AChunkTakesFramesWhileALargestDecodedFrameStillFits) {
  Mp3File stereo(Frames(0, 10));
  ASSERT_TRUE(stereo.Open());
  EXPECT_EQ(stereo.Chunk(8192), Numbers{0});
  EXPECT_EQ(stereo.Chunk(9216), (Numbers{1, 2}));
  EXPECT_EQ(stereo.Chunk(4607), Numbers{});

  Mp3File mono(Frames(0, 10));
  mono.decoder.bytesPerFrame = 2304;
  ASSERT_TRUE(mono.Open());
  EXPECT_EQ(mono.Chunk(), (Numbers{0, 1}));
  EXPECT_EQ(mono.Chunk(), (Numbers{2, 3}));
}

TEST(Mp3Reader, AFrameThatNeedsMoreInputIsFollowedByTheNext) {
  Mp3File file(Frames(0, 10));
  file.decoder.holdFirst = true;
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.Chunk(4608), Numbers{1});
  EXPECT_EQ(file.Chunk(4608), Numbers{2});
}

TEST(Mp3Reader, ADecodeErrorResetsTheDecoderAndEndsTheChunkEarly) {
  Mp3File file(Frames(0, 3) + Frames(kBadFrame, 1) + Frames(4, 4));
  file.decoder.bytesPerFrame = 2304;
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.Chunk(), (Numbers{0, 1}));
  EXPECT_EQ(file.Chunk(), Numbers{2});
  EXPECT_EQ(file.decoder.resetCount, 1);
  EXPECT_EQ(file.Chunk(), (Numbers{4, 5}));
}

TEST(Mp3Reader, AnInvalidHeaderEndsPlaybackThere) {
  std::string bytes = Frames(0, 6);
  bytes[3 * kFrameLength + 2] = '\xF0';  // bit rate index 15
  Mp3File file(bytes);
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.Chunk(), Numbers{0});
  EXPECT_EQ(file.Chunk(), Numbers{1});
  EXPECT_EQ(file.Chunk(), Numbers{2});
  EXPECT_EQ(file.Chunk(), Numbers{});
  EXPECT_EQ(file.Chunk(), Numbers{});
}

TEST(Mp3Reader, AFileStillBeingWrittenEndsAtItsLastWholeFrameAndGoesOnWhenItGrows) {
  const std::string all = Frames(0, 5);
  Mp3File file(all.substr(0, 3 * kFrameLength + 200));
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.Chunk(), Numbers{0});
  EXPECT_EQ(file.Chunk(), Numbers{1});
  EXPECT_EQ(file.Chunk(), Numbers{2});
  EXPECT_EQ(file.Chunk(), Numbers{}) << "the fourth frame is not whole yet";
  file.stream.Place(3 * kFrameLength + 200, all.substr(3 * kFrameLength + 200));
  EXPECT_EQ(file.Chunk(), Numbers{3}) << "read from its start once it is";
  EXPECT_EQ(file.Chunk(), Numbers{4});
}

TEST(Mp3Reader, RepositionsToTheFirstFrameFromTheTargetsShareOfTheData) {
  Mp3File file(kGarbage + Frames(0, 100));
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.Chunk(), Numbers{0});
  // 41700 bytes of data: 0.5123 of it is byte 21362, inside frame 51; frame 52 is the next.
  ASSERT_TRUE(file.reader.Reposition(30.738, 60));
  EXPECT_EQ(file.decoder.resetCount, 1) << "the decoder starts afresh";
  EXPECT_EQ(file.Chunk(), Numbers{52});
  ASSERT_TRUE(file.reader.Reposition(30, 60));  // byte 20850 is frame 50's first
  EXPECT_EQ(file.Chunk(), Numbers{50});
}

TEST(Mp3Reader, ATargetAtOrBelowZeroIsTheFirstFrameNotTheGarbageBeforeIt) {
  Mp3File file(kGarbage + Frames(0, 100));
  ASSERT_TRUE(file.Open());
  file.Chunk();
  file.Chunk();
  ASSERT_TRUE(file.reader.Reposition(-1.5, 0.5));  // a file shorter than 2 s
  EXPECT_EQ(file.Chunk(), Numbers{0});
}

// An ID3v2 tag longer than the search block, with what look like frames in it.
std::string Id3v2Tag() {
  const std::string body = Frames(200, 12);  // 5004 bytes: 39 * 128 + 12
  return std::string("ID3\x03\0\0\0\0", 8) + static_cast<char>(39) + static_cast<char>(12) + body;
}

TEST(Mp3Reader, ATaggedFilePlaysFromTheFrameBehindItsTagAndSeeksInTheDataAlone) {
  Mp3File file(Id3v2Tag() + Frames(0, 100));
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.Chunk(), Numbers{0});
  ASSERT_TRUE(file.reader.Reposition(30, 60));  // byte 20850 of the data is frame 50's first
  EXPECT_EQ(file.Chunk(), Numbers{50});
  ASSERT_TRUE(file.reader.Reposition(0, 60));
  EXPECT_EQ(file.Chunk(), Numbers{0}) << "the start is behind the tag";
}

TEST(Mp3Reader, RepositioningFailsBeyondTheDataOrWithoutALength) {
  Mp3File file(Frames(0, 20));
  ASSERT_TRUE(file.Open());
  EXPECT_FALSE(file.reader.Reposition(61, 60));
  EXPECT_FALSE(file.reader.Reposition(10, 0));
  EXPECT_TRUE(file.reader.Reposition(0, 60)) << "the reader stays usable";
  EXPECT_EQ(file.Chunk(), Numbers{0});
}

TEST(Mp3Reader, ADecoderThatCannotBeOpenedAgainStopsTheReaderAndIsNotClosedTwice) {
  Mp3File file(Frames(0, 3) + Frames(kBadFrame, 1) + Frames(4, 4));
  ASSERT_TRUE(file.Open());
  file.decoder.opens = false;
  EXPECT_FALSE(file.reader.Reposition(10, 60));
  EXPECT_EQ(file.Chunk(), Numbers{});
  file.decoder.opens = true;
  ASSERT_TRUE(file.reader.Reposition(0, 60)) << "opened again at the next reposition";
  EXPECT_EQ(file.Chunk(), Numbers{0});
  file.reader.Close();
  EXPECT_EQ(file.decoder.closeCount, file.decoder.openCount);
}

}  // namespace
}  // namespace sonotape
