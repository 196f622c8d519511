// The pre-record buffer through Wine's filter graph: what the tap kept before a start opens the
// file, followed seamlessly by what came after, in WAV bit for bit and through the FLAC encoder;
// the recording's figures count it; a format change empties the buffer, a recording (and its
// pause) does not fill it.

#include "codecs/FlacDll.h"
#include "player/FlacReader.h"
#include "player/PlayerFile.h"
#include "recorder/RecorderFixture.h"

namespace recordertest {
namespace {

class PreRecordTest : public RecorderTest {
 protected:
  // The graph running with the tap spliced in, keeping seconds of sound; nothing records.
  void AttachKeeping(unsigned seconds, sonotape::RecordingFormat format = sonotape::rfWav) {
    ASSERT_NO_FATAL_FAILURE(Attach(sonotape::WavWriter::kMaxFileLength, format));
    recorder->SetPreRecordSeconds(seconds);
    ASSERT_FALSE(recorder->ConnectTap(sonotape::Failures::kShown));
  }
  // ms milliseconds of 48 kHz 16-bit frames of channels, each frame's first four bytes its number
  // in the stream, in buffers of 4 KB; the first carries type. What was sent is added to sent.
  void SendFrames(unsigned channels, int ms, std::vector<std::uint8_t>& sent, const AM_MEDIA_TYPE* type = nullptr) {
    const std::size_t frameBytes = 2 * channels, frames = 48 * static_cast<std::size_t>(ms);
    const std::size_t perBuffer = 4096 / frameBytes;
    for (std::size_t done = 0; done < frames; done += perBuffer, type = nullptr) {
      ComPtr<IMediaSample> sample;
      ASSERT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      const std::size_t count = std::min(perBuffer, frames - done);
      for (std::size_t f = 0; f < count; ++f, ++frameNumber) {
        BYTE* frame = data + f * frameBytes;
        std::memset(frame, static_cast<int>(frameNumber & 0x7F), frameBytes);
        std::memcpy(frame, &frameNumber, std::min<std::size_t>(4, frameBytes));
      }
      sample->SetActualDataLength(static_cast<long>(count * frameBytes));
      if (type != nullptr) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
      ASSERT_EQ(source->pin.Deliver(sample.Get()), S_OK);
      sent.insert(sent.end(), data, data + count * frameBytes);
    }
  }
  static std::vector<std::uint8_t> Tail(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    return {bytes.end() - static_cast<std::ptrdiff_t>(std::min(size, bytes.size())), bytes.end()};
  }
  static std::vector<std::uint8_t> Joined(std::vector<std::uint8_t> first, const std::vector<std::uint8_t>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
  }

  std::uint32_t frameNumber = 0;
};

constexpr std::size_t kStereoRate = 192000;  // bytes a second of 48 kHz 16-bit stereo

TEST_F(PreRecordTest, AStartWritesTheKeptSecondsThenTheLiveSoundWithoutGapOrRepeat) {
  ASSERT_NO_FATAL_FAILURE(AttachKeeping(5));
  EXPECT_EQ(recorder->PreRecording().seconds, 5u);
  std::vector<std::uint8_t> before, after;
  OnStreamingThread([&] { SendFrames(2, 6500, before); });  // more than the buffer keeps
  recorder->StartRecording(sonotape::Failures::kShown);
  ASSERT_EQ(recorder->State(), sonotape::rsRecording);
  const sonotape::RecordingStats started = recorder->ReadRecordingStats();
  EXPECT_NEAR(started.seconds, 5.0, 1e-9) << "the kept sound counts at once";
  EXPECT_EQ(started.bytes, 46 + 5 * kStereoRate);
  OnStreamingThread([&] { SendFrames(2, 1000, after); });
  const sonotape::RecordingStats stats = recorder->ReadRecordingStats();
  recorder->StopRecording();

  const std::vector<std::uint8_t> file = Data("take.wav");
  EXPECT_TRUE(file == Joined(Tail(before, 5 * kStereoRate), after)) << "the file holds " << file.size() << " bytes";
  EXPECT_NEAR(stats.seconds, 6.0, 1e-9);
  EXPECT_EQ(stats.bytes, 46 + 6 * kStereoRate);
  EXPECT_EQ(At32(ReadFile(folder.File("take.wav")), 42), 6 * kStereoRate) << "the data chunk's size";
}

TEST_F(PreRecordTest, NeitherARecordingNorItsPauseFillsTheBuffer) {
  ASSERT_NO_FATAL_FAILURE(AttachKeeping(5));
  std::vector<std::uint8_t> kept, paused, live;
  SendFrames(2, 2000, kept);
  recorder->StartRecording(sonotape::Failures::kShown);
  recorder->SetPaused(true);
  SendFrames(2, 1000, paused);
  recorder->SetPaused(false);
  SendFrames(2, 500, live);
  recorder->StopRecording();
  EXPECT_TRUE(Data("take.wav") == Joined(kept, live));

  recorder->StartRecording(sonotape::Failures::kShown);  // right away: nothing was kept since
  std::vector<std::uint8_t> next;
  SendFrames(2, 100, next);
  recorder->StopRecording();
  EXPECT_TRUE(Data("take 01.wav") == next);
}

TEST_F(PreRecordTest, AFormatChangeEmptiesTheBufferAndTheCapLimitsItsSeconds) {
  ASSERT_NO_FATAL_FAILURE(AttachKeeping(60));
  std::vector<std::uint8_t> stereo, surround;
  SendFrames(2, 1000, stereo);
  EXPECT_EQ(recorder->PreRecording().seconds, 60u) << "60 s of 16-bit stereo fit in 32 MiB";
  const DecoderType surroundType(source->pin, 2);
  SendFrames(6, 500, surround, &surroundType.type);
  EXPECT_EQ(recorder->PreRecording().seconds, 58u) << "60 s of 16-bit 5.1 do not: 32 MiB hold 58";
  EXPECT_FALSE(recorder->PreRecording().failed);
  recorder->StartRecording(sonotape::Failures::kShown);
  recorder->StopRecording();
  const std::vector<std::uint8_t> file = ReadFile(folder.File("take.wav"));
  ASSERT_GT(file.size(), 46u);
  EXPECT_EQ(file[22], 6) << "the file is in the format of now";
  EXPECT_TRUE(Data("take.wav") == surround) << "the stereo sound went with its format";

  recorder->SetPreRecordSeconds(0);
  SendFrames(6, 500, surround);
  recorder->StartRecording(sonotape::Failures::kShown);
  recorder->StopRecording();
  EXPECT_EQ(Data("take 01.wav").size(), 0u) << "Off keeps nothing";
}

// The encoder takes the kept sound as it takes live sound: decoded, the file is the stream. The
// sound goes on arriving while the start encodes what was kept, and none of it is lost.
TEST_F(PreRecordTest, FlacEncodesTheKeptSecondsAndTheLiveSoundAsOneStream) {
  ASSERT_NO_FATAL_FAILURE(AttachKeeping(5, sonotape::rfFlac));
  std::vector<std::uint8_t> sent;
  std::atomic<std::size_t> sentBytes{0};
  std::atomic<bool> more{true};
  std::thread streaming([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    while (more) {
      SendFrames(2, 20, sent);
      sentBytes = sent.size();
      Sleep(1);
    }
    CoUninitialize();
  });
  while (sentBytes < 6 * kStereoRate) Sleep(10);
  recorder->StartRecording(sonotape::Failures::kShown);
  Sleep(300);
  more = false;
  streaming.join();
  ASSERT_EQ(recorder->State(), sonotape::rsRecording) << (view.messages.empty() ? "" : view.messages.back());
  recorder->StopRecording();

  std::unique_ptr<sonotape::PlayerStream> stream = sonotape::OpenPlayerFile(folder.File("take.flac"));
  ASSERT_TRUE(stream);
  sonotape::FlacReader reader(sonotape::FlacLibrary());
  sonotape::PcmFormat format{};
  std::string error;
  ASSERT_TRUE(reader.Open(*stream, format, error)) << error;
  std::vector<std::uint8_t> decoded(sent.size());
  std::size_t size = 0;
  while (std::size_t read = reader.ReadChunk(decoded.data() + size, decoded.size() - size)) size += read;
  decoded.resize(size);
  EXPECT_GT(size, 5 * kStereoRate) << "the kept 5 s and what followed";
  EXPECT_TRUE(decoded == Tail(sent, size)) << "decoded " << size << " bytes of " << sent.size();
}

}  // namespace
}  // namespace recordertest
