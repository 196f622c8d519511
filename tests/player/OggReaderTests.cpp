// The Ogg Vorbis reader on the real libraries (the system's natively, the cross-built DLLs under
// Wine), reading recordings our encoder made: the output format, the WAVE channel order, chunk
// filling, repositioning by time, and a gap in the data.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/OggEncoder.h"
#include "codecs/VorbisDll.h"
#include "player/FileReader.h"
#include "player/OggReader.h"
#include "support/MemoryStream.h"
#include "support/OggRecording.h"
#include "support/PcmFormats.h"
#include "support/Tones.h"

namespace sonotape {
namespace {

// Never destroyed: the libraries stay loaded to the end, where the leak checker names their frames.
VorbisBindings& Libraries() {
  static VorbisBindings& libraries = *new VorbisBindings(PluginFolder());
  return libraries;
}

// A recording of a tone per channel, as the recorder makes it.
testsupport::MemoryStream Record(std::uint32_t rate, const std::vector<double>& tones, std::size_t frames) {
  VorbisBindings& libraries = Libraries();
  EXPECT_TRUE(libraries.LoadOgg() && libraries.LoadVorbis() && libraries.LoadVorbisEnc() && libraries.Complete());
  const PcmFormat format = testsupport::PlainFormat(kFormatPcm, static_cast<std::uint16_t>(tones.size()), 16, rate);
  testsupport::MemoryStream file;
  OggEncoder encoder(libraries);
  std::string failure;
  EXPECT_TRUE(encoder.Start(OggSettings{}, format.nChannels, rate, {"TITLE=Take"}, file, failure)) << failure;
  testsupport::EncodeInBuffers(format, testsupport::Tones(tones, rate, frames), encoder, file);
  encoder.Finish(file);
  return file;
}

// The chunk size the player uses: the largest multiple of the block alignment up to 8192.
std::size_t ChunkSize(const PcmFormat& format) { return 8192 / format.nBlockAlign * format.nBlockAlign; }

struct Played {
  std::vector<std::int16_t> samples;
  std::vector<std::size_t> chunks;
};

Played ReadToTheEnd(FileReader& reader, std::size_t chunkSize) {
  Played played;
  std::vector<std::uint8_t> buffer(chunkSize);
  for (std::size_t got; (got = reader.ReadChunk(buffer.data(), chunkSize)) > 0;) {
    played.chunks.push_back(got);
    const std::size_t old = played.samples.size();
    played.samples.resize(old + got / 2);
    std::memcpy(played.samples.data() + old, buffer.data(), got);
  }
  return played;
}

// Each channel carries its own tone, a hundred times above any other tone of the set.
void ExpectTonesInPlace(const Played& played, const std::vector<double>& tones, double rate) {
  const int channels = static_cast<int>(tones.size());
  for (int channel = 0; channel < channels; ++channel) {
    const double own = testsupport::TonePower(played.samples, channels, rate, channel, tones[static_cast<std::size_t>(channel)]);
    for (double other : tones) {
      if (other == tones[static_cast<std::size_t>(channel)]) continue;
      EXPECT_GT(own, 100 * testsupport::TonePower(played.samples, channels, rate, channel, other))
          << "channel " << channel << " also carries " << other << " Hz";
    }
  }
}

TEST(OggReader, SurroundComesOutInTheRecordingsChannelOrder) {
  // FL FR FC LFE BL BR as recorded; the encoder keeps only the low band of the LFE channel.
  const std::vector<double> tones = {500, 700, 900, 60, 1100, 1300};
  testsupport::MemoryStream file = Record(48000, tones, 48000);
  PcmFormat format = testsupport::ExtensibleFormat(6, 24, 48000, 0x3F);
  std::string error;
  auto reader = CreateFileReader(ftOgg);
  ASSERT_TRUE(reader->Open(file, format, error)) << error;
  ExpectTonesInPlace(ReadToTheEnd(*reader, ChunkSize(format)), tones, 48000);
}

TEST(OggReader, FourChannelsKeepTheirOrder) {
  const std::vector<double> tones = {500, 700, 900, 1100};
  testsupport::MemoryStream file = Record(44100, tones, 44100);
  PcmFormat format = testsupport::ExtensibleFormat(4, 24, 44100, 0x33);
  std::string error;
  auto reader = CreateFileReader(ftOgg);
  ASSERT_TRUE(reader->Open(file, format, error)) << error;
  ExpectTonesInPlace(ReadToTheEnd(*reader, ChunkSize(format)), tones, 44100);
}

TEST(OggReader, ThreeAndFiveChannelsSwapTheSecondAndThirdOfWholeFramesOnly) {
  std::vector<std::int16_t> three = {0, 2, 1, 10, 12, 11, 20};
  ReorderVorbisChannels(reinterpret_cast<std::uint8_t*>(three.data()), three.size() * 2, 3);
  EXPECT_EQ(three, (std::vector<std::int16_t>{0, 1, 2, 10, 11, 12, 20}));
  std::vector<std::int16_t> five = {0, 2, 1, 3, 4, 0, 2};
  ReorderVorbisChannels(reinterpret_cast<std::uint8_t*>(five.data()), five.size() * 2, 5);
  EXPECT_EQ(five, (std::vector<std::int16_t>{0, 1, 2, 3, 4, 0, 2}));
  std::vector<std::int16_t> two = {1, 0};
  ReorderVorbisChannels(reinterpret_cast<std::uint8_t*>(two.data()), two.size() * 2, 2);
  EXPECT_EQ(two, (std::vector<std::int16_t>{1, 0}));
}

TEST(OggReader, GivesSixteenBitPcmInTheRecordingsLayout) {
  testsupport::MemoryStream surround = Record(48000, {500, 700, 900, 60, 1100, 1300}, 4800);
  PcmFormat format = testsupport::ExtensibleFormat(6, 24, 48000, 0x3F);
  std::string error;
  auto reader = CreateFileReader(ftOgg);
  ASSERT_TRUE(reader->Open(surround, format, error));
  EXPECT_EQ(format.wFormatTag, kFormatExtensible);
  EXPECT_EQ(format.wBitsPerSample, 16);
  EXPECT_EQ(format.wValidBitsPerSample, 16);
  EXPECT_EQ(format.nBlockAlign, 12);
  EXPECT_EQ(format.nAvgBytesPerSec, 576000u);
  EXPECT_EQ(format.dwChannelMask, 0x3Fu);
  EXPECT_EQ(format.cbSize, 22);
  EXPECT_EQ(format.SubFormat.data1, 1u) << "integer PCM";

  testsupport::MemoryStream stereo = Record(44100, {440, 660}, 4410);
  PcmFormat floating = testsupport::PlainFormat(kFormatFloat, 2, 32, 44100);
  ASSERT_TRUE(CreateFileReader(ftOgg)->Open(stereo, floating, error));
  EXPECT_EQ(floating.wFormatTag, kFormatPcm);
  EXPECT_EQ(floating.wBitsPerSample, 16);
  EXPECT_EQ(floating.nBlockAlign, 4);
  EXPECT_EQ(floating.nAvgBytesPerSec, 176400u);
}

TEST(OggReader, ChunksAreFullUpToTheLastAndHoldTheWholeRecording) {
  constexpr std::size_t kFrames = 3 * 48000 + 77;
  testsupport::MemoryStream file = Record(48000, {500, 700, 900, 60, 1100, 1300}, kFrames);
  PcmFormat format = testsupport::ExtensibleFormat(6, 24, 48000, 0x3F);
  std::string error;
  auto reader = CreateFileReader(ftOgg);
  ASSERT_TRUE(reader->Open(file, format, error));
  const Played played = ReadToTheEnd(*reader, ChunkSize(format));
  EXPECT_EQ(played.samples.size(), kFrames * 6);
  for (std::size_t i = 0; i + 1 < played.chunks.size(); ++i) EXPECT_EQ(played.chunks[i], 8184u) << "chunk " << i;
  EXPECT_EQ(reader->ReadChunk(nullptr, 0), 0u);
}

TEST(OggReader, RepositionsByTimeAndToTheStartForATargetAtOrBelowZero) {
  testsupport::MemoryStream file = Record(44100, {440, 660}, 4 * 44100);
  PcmFormat format = testsupport::PlainFormat(kFormatPcm, 2, 16, 44100);
  std::string error;
  auto reader = CreateFileReader(ftOgg);
  ASSERT_TRUE(reader->Open(file, format, error));
  const std::vector<std::int16_t> whole = ReadToTheEnd(*reader, 8192).samples;
  ASSERT_EQ(whole.size(), 4u * 44100 * 2);

  ASSERT_TRUE(reader->Reposition(2.5, 4));
  const std::vector<std::int16_t> rest = ReadToTheEnd(*reader, 8192).samples;
  ASSERT_EQ(rest.size(), whole.size() - 2u * 110250);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), whole.begin() + 2 * 110250)) << "from exactly 2.5 s on";

  ASSERT_TRUE(reader->Reposition(-1.5, 0.5));  // a file shorter than 2 s
  EXPECT_EQ(ReadToTheEnd(*reader, 8192).samples, whole);
  EXPECT_FALSE(reader->Reposition(5, 4)) << "beyond the end";
}

// The stream without its middle page.
std::string WithoutMiddlePage(const std::string& bytes) {
  std::vector<std::size_t> pages;
  for (std::size_t at = 0; at + 27 <= bytes.size();) {
    pages.push_back(at);
    const std::size_t segments = static_cast<std::uint8_t>(bytes[at + 26]);
    at += 27 + segments;
    for (std::size_t i = 0; i < segments; ++i) at += static_cast<std::uint8_t>(bytes[pages.back() + 27 + i]);
  }
  const std::size_t middle = pages.size() / 2;
  return bytes.substr(0, pages[middle]) + bytes.substr(pages[middle + 1]);
}

TEST(OggReader, PlaysOnPastAGapInTheData) {
  const testsupport::MemoryStream recorded = Record(44100, {440, 660}, 10 * 44100);
  testsupport::MemoryStream file(WithoutMiddlePage(recorded.Bytes(0, static_cast<std::size_t>(recorded.Length()))));
  ASSERT_LT(file.Length(), recorded.Length());
  PcmFormat format = testsupport::PlainFormat(kFormatPcm, 2, 16, 44100);
  std::string error;
  auto reader = CreateFileReader(ftOgg);
  ASSERT_TRUE(reader->Open(file, format, error));
  // Chunks of one frame each: the gap comes at the start of a chunk, with nothing read before it.
  const std::size_t frames = ReadToTheEnd(*reader, 4).samples.size() / 2;
  EXPECT_GT(frames, 7u * 44100) << "the data behind the gap in the middle is played too";
  EXPECT_LT(frames, 10u * 44100) << "what the gap held is missing";
}

TEST(OggReader, AStreamThatIsNotOggVorbisDoesNotOpen) {
  testsupport::MemoryStream file(std::string(10000, 'x'));
  PcmFormat format = testsupport::PlainFormat(kFormatPcm, 2, 16, 44100);
  std::string error;
  auto reader = CreateFileReader(ftOgg);
  EXPECT_FALSE(reader->Open(file, format, error));
  EXPECT_EQ(error, "");
  std::uint8_t buffer[16];
  EXPECT_EQ(reader->ReadChunk(buffer, sizeof buffer), 0u);
  EXPECT_FALSE(reader->Reposition(0, 1));
}

}  // namespace
}  // namespace sonotape
