// The Ogg Vorbis encoder on the real libraries (the cross-built DLLs under Wine, the system's
// natively): the page structure it leaves, the channel order after conversion, a failed start,
// and reading the result back through vorbisfile and the stream callbacks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "codecs/OggEncoder.h"
#include "codecs/StreamCallbacks.h"
#include "codecs/VorbisDll.h"
#include "codecs/VorbisFileDll.h"
#include "support/MemoryStream.h"
#include "support/OggRecording.h"
#include "support/PcmFormats.h"
#include "support/Tones.h"

namespace sonotape {
namespace {

using testsupport::MemoryStream;

// Never destroyed: the libraries stay loaded to the end, where the leak checker names their frames.
VorbisBindings& Libraries() {
  static VorbisBindings& libraries = *new VorbisBindings(PluginFolder());
  return libraries;
}

class OggEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VorbisBindings& libraries = Libraries();
    ASSERT_TRUE(libraries.LoadVorbis() && libraries.LoadVorbisEnc() && libraries.LoadOgg());
    ASSERT_TRUE(libraries.Complete());
  }
};

struct Page {
  std::uint8_t flags;
  std::int64_t granule;
  std::uint32_t serial;
};

std::uint64_t Little(const std::string& bytes, std::size_t at, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// The pages of a stream that must parse to its very end.
std::vector<Page> ParsePages(const std::string& bytes) {
  std::vector<Page> pages;
  std::size_t at = 0;
  while (at < bytes.size()) {
    EXPECT_EQ(bytes.compare(at, 4, "OggS"), 0) << "no page at " << at;
    if (at + 27 > bytes.size() || bytes.compare(at, 4, "OggS") != 0) break;
    const std::size_t segments = static_cast<std::uint8_t>(bytes[at + 26]);
    std::size_t body = 0;
    for (std::size_t i = 0; i < segments; ++i) body += static_cast<std::uint8_t>(bytes[at + 27 + i]);
    pages.push_back({static_cast<std::uint8_t>(bytes[at + 5]), static_cast<std::int64_t>(Little(bytes, at + 6, 8)),
                     static_cast<std::uint32_t>(Little(bytes, at + 14, 4))});
    at += 27 + segments + body;
  }
  EXPECT_EQ(at, bytes.size()) << "the last page is cut off";
  return pages;
}

// Records data as the recorder does: delivered buffers of 20 ms, converted and encoded.
void Record(const PcmFormat& format, const std::vector<std::uint8_t>& data, MemoryStream& file) {
  OggEncoder encoder(Libraries());
  std::string failure;
  ASSERT_TRUE(encoder.Start(OggSettings{}, format.nChannels, format.nSamplesPerSec, {"TITLE=Evening news"}, file, failure))
      << failure;
  std::size_t written = encoder.HeaderBytes() + testsupport::EncodeInBuffers(format, data, encoder, file);
  written += encoder.Finish(file);
  EXPECT_EQ(written, file.Length()) << "every byte written is counted";
}

// The decoded 16-bit PCM and the stream's facts, read through vorbisfile and the callbacks.
struct Decoded {
  int channels = 0;
  long rate = 0;
  std::string title;
  std::vector<std::int16_t> samples;
};

Decoded Decode(MemoryStream& file) {
  Decoded decoded;
  VorbisFileBinding vorbisfile(PluginFolder());
  EXPECT_TRUE(vorbisfile.Load());
  const VorbisFileEntries& ov = vorbisfile.Entries();
  OggVorbis_File decoder{};
  PlayerStream* slot = &file;
  file.Seek(0, 0);
  if (ov.ov_open_callbacks == nullptr || ov.ov_open_callbacks(&slot, &decoder, nullptr, 0, vorbisfile.StreamCallbacks()) != 0) {
    ADD_FAILURE() << "vorbisfile refuses the stream";
    return decoded;
  }
  decoded.channels = decoder.vi->channels;
  decoded.rate = decoder.vi->rate;
  for (int i = 0; i < decoder.vc->comments; ++i) {
    const std::string comment(decoder.vc->user_comments[i], static_cast<std::size_t>(decoder.vc->comment_lengths[i]));
    if (comment.rfind("TITLE=", 0) == 0) decoded.title = comment.substr(6);
  }
  std::vector<char> pcm(8192);
  int section = 0;
  for (long got; (got = ov.ov_read(&decoder, pcm.data(), static_cast<int>(pcm.size()), 0, 2, 1, &section)) > 0;) {
    const std::size_t old = decoded.samples.size();
    decoded.samples.resize(old + static_cast<std::size_t>(got) / 2);
    std::memcpy(decoded.samples.data() + old, pcm.data(), static_cast<std::size_t>(got));
  }
  EXPECT_EQ(ov.ov_time_seek(&decoder, 0.5), 0) << "seeking goes through the seek and tell callbacks";
  ov.ov_clear(&decoder);
  return decoded;
}

double Power(const Decoded& pcm, int channel, double frequency) {
  return testsupport::TonePower(pcm.samples, pcm.channels, static_cast<double>(pcm.rate), channel, frequency);
}

TEST_F(OggEncoderTest, StereoLeavesOneCompleteStreamEndingOnItsEndOfStreamPage) {
  MemoryStream file;
  const std::size_t frames = 4 * 44100 + 123;
  Record(testsupport::PlainFormat(kFormatPcm, 2, 16, 44100), testsupport::Tones({440, 660}, 44100, frames), file);
  const std::vector<Page> pages = ParsePages(file.Contents());
  ASSERT_GE(pages.size(), 5u) << "several audio pages";
  EXPECT_EQ(pages.front().flags, 0x02) << "the first page begins the stream";
  EXPECT_EQ(pages[0].granule, 0);
  EXPECT_EQ(pages[1].granule, 0) << "the comment and setup headers have a page of their own";
  for (std::size_t i = 0; i < pages.size(); ++i) {
    EXPECT_EQ(pages[i].serial, pages[0].serial) << "one logical stream, page " << i;
    EXPECT_EQ((pages[i].flags & 0x04) != 0, i + 1 == pages.size()) << "only the last page ends the stream, page " << i;
    if (i >= 2) {
      EXPECT_GT(pages[i].granule, 0) << "audio pages, page " << i;
    }
  }
  EXPECT_EQ(pages.back().granule, static_cast<std::int64_t>(frames));

  const Decoded decoded = Decode(file);
  EXPECT_EQ(decoded.channels, 2);
  EXPECT_EQ(decoded.rate, 44100);
  EXPECT_EQ(decoded.title, "Evening news");
  EXPECT_EQ(decoded.samples.size(), frames * 2) << "every frame comes back, none added";
}

TEST_F(OggEncoderTest, SurroundChannelsDecodeInTheirPlaces) {
  // Windows order FL FR FC LFE BL BR; Vorbis order FL FC FR BL BR LFE.
  // The encoder keeps only the low band of the LFE channel: its tone is a low one.
  const std::vector<double> delivered = {500, 700, 900, 60, 1100, 1300};
  const std::vector<double> expected = {500, 900, 700, 1100, 1300, 60};
  MemoryStream file;
  Record(testsupport::PlainFormat(kFormatPcm, 6, 16, 48000), testsupport::Tones(delivered, 48000, 48000), file);
  const Decoded decoded = Decode(file);
  ASSERT_EQ(decoded.channels, 6);
  for (int channel = 0; channel < 6; ++channel) {
    const double own = Power(decoded, channel, expected[static_cast<std::size_t>(channel)]);
    for (double other : delivered) {
      if (other == expected[static_cast<std::size_t>(channel)]) continue;
      EXPECT_GT(own, 100 * Power(decoded, channel, other)) << "channel " << channel << " also carries " << other << " Hz";
    }
  }
}

TEST_F(OggEncoderTest, AStartTheLibraryRefusesSaysWhyAndWritesNothing) {
  MemoryStream file;
  OggEncoder encoder(Libraries());
  std::string failure;
  OggSettings average;
  average.variableBitRate = false;
  EXPECT_FALSE(encoder.Start(average, 2, 0, {}, file, failure));  // no such rate
  EXPECT_EQ(failure, "Initializing the Ogg Vorbis encoder failed\r\n(the selected bitrate may be too low)");
  EXPECT_EQ(file.Length(), 0u);
  EXPECT_EQ(encoder.Finish(file), 0u) << "finishing a failed start writes nothing";
  EXPECT_EQ(file.Length(), 0u);
}

}  // namespace
}  // namespace sonotape
