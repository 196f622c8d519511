// MPGLib.DLL as built from LAME's mpglib, on frames that lame_enc.dll encoded: the classic
// generation and its results, and each frame decoded by the call that hands it in (the MP3 reader
// gives one frame per call and never asks for what a decoder may have held back).

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "PluginLibrary.h"
#include "codecs/LameDll.h"
#include "codecs/Mp3Settings.h"
#include "codecs/MpgLib.h"
#include "player/Mp3Frame.h"

namespace sonotape {
namespace {

std::string Beside() { return devhost::PathBesideExecutable(""); }

// The frames of a second of a 440/660 Hz tone, 44100 Hz stereo at a constant bit rate, no tag.
std::vector<std::string> EncodedFrames(unsigned long bitrate) {
  LameBinding binding(Beside());
  EXPECT_TRUE(binding.Load());
  const LameEntries& lame = binding.Entries();
  BE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  ReadMP3Settings(Mp3Controls{}, config);
  BE_CONFIG live = MakeLiveConfig(config, 44100, 2);
  live.lhv1.dwBitrate = bitrate;
  live.lhv1.dwReSampleRate = 44100;
  unsigned long samples = 0, bufferSize = 0;
  HBE_STREAM stream = nullptr;
  if (lame.beInitStream == nullptr || lame.beInitStream(&live, &samples, &bufferSize, &stream) != BE_ERR_SUCCESSFUL) {
    ADD_FAILURE() << "lame_enc.dll refuses " << bitrate << " kbit/s";
    return {};
  }
  const unsigned long perChannel = samples / 2;
  std::vector<float> left(perChannel), right(perChannel);
  std::string mp3, chunk(bufferSize, '\0');
  unsigned long written = 0;
  for (unsigned long done = 0, n = 0; done < 44100; done += perChannel) {
    for (unsigned long i = 0; i < perChannel; ++i, ++n) {
      left[i] = static_cast<float>(12000 * std::sin(2 * std::numbers::pi * 440 * n / 44100));
      right[i] = static_cast<float>(12000 * std::sin(2 * std::numbers::pi * 660 * n / 44100));
    }
    EXPECT_EQ(lame.beEncodeChunkFloatS16NI(stream, perChannel, left.data(), right.data(),
                                           reinterpret_cast<unsigned char*>(chunk.data()), &written), BE_ERR_SUCCESSFUL);
    mp3.append(chunk, 0, written);
  }
  EXPECT_EQ(lame.beDeinitStream(stream, reinterpret_cast<unsigned char*>(chunk.data()), &written), BE_ERR_SUCCESSFUL);
  mp3.append(chunk, 0, written);
  lame.beCloseStream(stream);

  std::vector<std::string> frames;
  for (std::size_t at = 0; at + kMp3HeaderSize <= mp3.size();) {
    const auto header = ParseMp3Header(reinterpret_cast<const std::uint8_t*>(mp3.data() + at), kLayer3);
    if (!header) {
      ADD_FAILURE() << "no frame at byte " << at;
      break;
    }
    frames.push_back(mp3.substr(at, header->length));
    at += header->length;
  }
  return frames;
}

TEST(MpgLibDll, IsTheClassicGenerationWithItsThreeResults) {
  MpgLibBinding mpg(Beside());
  ASSERT_TRUE(mpg.Load());
  EXPECT_EQ(mpg.Interface(), MpgLibInterface::Classic);
  void* slot = nullptr;
  ASSERT_TRUE(mpg.Open(slot));
  ASSERT_NE(slot, nullptr);
  std::vector<char> out(8192);
  int produced = -1;
  EXPECT_EQ(mpg.Decode(slot, "no audio", 8, out.data(), 8192, produced), kMpgLibNeedMore);
  EXPECT_EQ(produced, 0);
  const std::vector<std::string> frames = EncodedFrames(128);
  ASSERT_GT(frames.size(), 10u);
  EXPECT_EQ(mpg.Decode(slot, frames[0].data(), static_cast<int>(frames[0].size()), out.data(), 4607, produced),
            kMpgLibError)
      << "no room for a whole frame";
  mpg.Close(slot);
  EXPECT_EQ(slot, nullptr);
}

TEST(MpgLibDll, EachFrameComesOutOfTheCallThatHandsItIn) {
  // 417-byte frames, and 104-byte ones: shorter than a Xing header, which mpglib looks for first.
  for (unsigned long bitrate : {128ul, 32ul}) {
    const std::vector<std::string> frames = EncodedFrames(bitrate);
    ASSERT_GT(frames.size(), 10u);
    MpgLibBinding mpg(Beside());
    void* slot = nullptr;
    ASSERT_TRUE(mpg.Open(slot));
    std::vector<char> out(8192);
    for (int round = 0; round < 2; ++round) {
      for (std::size_t i = 0; i < frames.size(); ++i) {
        int produced = -1;
        ASSERT_EQ(mpg.Decode(slot, frames[i].data(), static_cast<int>(frames[i].size()), out.data(), 8192, produced), 0)
            << bitrate << " kbit/s, frame " << i << ", round " << round;
        EXPECT_EQ(produced, 4608) << bitrate << " kbit/s, frame " << i << ", round " << round;
      }
      ASSERT_TRUE(mpg.Reset(slot)) << "the second round starts afresh";
    }
    mpg.Close(slot);
  }
}

}  // namespace
}  // namespace sonotape
