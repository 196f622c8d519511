// Loads each cross-built codec DLL by the name the plug-in uses and calls one of its entries.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "PluginLibrary.h"

namespace {

class Library {
 public:
  explicit Library(const char* name) : module_(LoadLibraryA(devhost::PathBesideExecutable(name).c_str())) {}
  ~Library() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Loaded() const { return module_ != nullptr; }
  template <typename Fn>
  Fn Entry(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

// The LAME configuration record, LHV1 variant, byte-packed as the BladeEnc interface defines it.
#pragma pack(push, 1)
struct LameConfig {
  DWORD dwConfig;
  DWORD dwStructVersion, dwStructSize, dwSampleRate, dwReSampleRate;
  LONG nMode;
  DWORD dwBitrate, dwMaxBitrate;
  LONG nPreset;
  DWORD dwMpegVersion, dwPsyModel, dwEmphasis;
  BOOL bPrivate, bCRC, bCopyright, bOriginal, bWriteVBRHeader, bEnableVBR;
  INT nVBRQuality;
  DWORD dwVbrAbr_bps;
  INT nVbrMethod;
  BOOL bNoRes, bStrictIso;
  WORD nQuality;
  BYTE btReserved[255 - 4 * sizeof(DWORD) - sizeof(WORD)];
};
#pragma pack(pop)
static_assert(sizeof(LameConfig) == 331);

using BeInitStream = ULONG(__cdecl*)(LameConfig*, DWORD*, DWORD*, DWORD*);
using BeEncodeChunkFloatS16NI = ULONG(__cdecl*)(DWORD, DWORD, float*, float*, BYTE*, DWORD*);
using BeDeinitStream = ULONG(__cdecl*)(DWORD, BYTE*, DWORD*);
using BeCloseStream = ULONG(__cdecl*)(DWORD);

bool StartsWithMpegFrame(const std::vector<BYTE>& mp3) {
  return mp3.size() >= 4 && mp3[0] == 0xFF && (mp3[1] & 0xE0) == 0xE0;
}

TEST(LameEncDll, EncodesOneSecondOfToneIntoMpegFrames) {
  Library lame("lame_enc.dll");
  ASSERT_TRUE(lame.Loaded());
  const auto init = lame.Entry<BeInitStream>("beInitStream");
  const auto encode = lame.Entry<BeEncodeChunkFloatS16NI>("beEncodeChunkFloatS16NI");
  const auto deinit = lame.Entry<BeDeinitStream>("beDeinitStream");
  const auto close = lame.Entry<BeCloseStream>("beCloseStream");
  ASSERT_TRUE(init && encode && deinit && close);
  EXPECT_NE(lame.Entry<void*>("beWriteVBRHeader"), nullptr);
  EXPECT_NE(lame.Entry<void*>("beVersion"), nullptr);

  LameConfig config{};
  config.dwConfig = 256;  // LAME configuration
  config.dwStructVersion = 1;
  config.dwStructSize = sizeof config;
  config.dwSampleRate = 44100;
  config.nMode = 1;  // joint stereo
  config.dwBitrate = 128;
  config.nPreset = -1;
  config.dwMpegVersion = 1;
  DWORD samples = 0, bufferSize = 0, stream = 0;
  ASSERT_EQ(init(&config, &samples, &bufferSize, &stream), 0u);
  ASSERT_GT(samples, 0u);
  ASSERT_GT(bufferSize, 0u);

  const DWORD perChannel = samples / 2;
  std::vector<float> left(perChannel), right(perChannel);
  std::vector<BYTE> chunk(bufferSize), mp3;
  for (DWORD done = 0, n = 0; done < 44100; done += perChannel) {
    for (DWORD i = 0; i < perChannel; ++i, ++n) {
      left[i] = right[i] = static_cast<float>(16000 * std::sin(2 * std::numbers::pi * 440 * n / 44100));
    }
    DWORD written = 0;
    ASSERT_EQ(encode(stream, perChannel, left.data(), right.data(), chunk.data(), &written), 0u);
    mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + written);
  }
  DWORD written = 0;
  ASSERT_EQ(deinit(stream, chunk.data(), &written), 0u);
  mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + written);
  close(stream);

  EXPECT_TRUE(StartsWithMpegFrame(mp3));
  // 128 kbit/s for one second is 16000 bytes; allow for the encoder's delay and padding.
  EXPECT_GT(mp3.size(), 14000u);
  EXPECT_LT(mp3.size(), 20000u);
}

TEST(VorbisEncDll, OpensAVariableBitRateEncoder) {
  Library vorbis("vorbis.dll");
  Library vorbisenc("vorbisenc.dll");
  ASSERT_TRUE(vorbis.Loaded() && vorbisenc.Loaded());
  using InfoFn = void(__cdecl*)(void*);
  using InitVbrFn = int(__cdecl*)(void*, long, long, float);
  const auto infoInit = vorbis.Entry<InfoFn>("vorbis_info_init");
  const auto infoClear = vorbis.Entry<InfoFn>("vorbis_info_clear");
  const auto initVbr = vorbisenc.Entry<InitVbrFn>("vorbis_encode_init_vbr");
  ASSERT_TRUE(infoInit && infoClear && initVbr);

  // vorbis_info begins with int version, int channels, long rate (long is 32-bit on Windows).
  struct InfoHead {
    int version;
    int channels;
    LONG rate;
  };
  alignas(16) unsigned char info[256] = {};
  infoInit(info);
  EXPECT_EQ(initVbr(info, 6, 48000, 0.4f), 0);
  const auto* head = reinterpret_cast<const InfoHead*>(info);
  EXPECT_EQ(head->channels, 6);
  EXPECT_EQ(head->rate, 48000);
  infoClear(info);
}

TEST(OggDll, InitialisesAndClearsAStream) {
  Library ogg("ogg.dll");
  ASSERT_TRUE(ogg.Loaded());
  const auto init = ogg.Entry<int(__cdecl*)(void*, int)>("ogg_stream_init");
  const auto clear = ogg.Entry<int(__cdecl*)(void*)>("ogg_stream_clear");
  ASSERT_TRUE(init && clear);
  alignas(16) unsigned char stream[1024] = {};
  EXPECT_EQ(init(stream, 1234), 0);
  EXPECT_EQ(clear(stream), 0);
}

struct MemorySource {
  const char* data;
  size_t size;
  size_t position;
};

size_t __cdecl ReadMemory(void* buffer, size_t size, size_t count, void* source) {
  auto* s = static_cast<MemorySource*>(source);
  const size_t n = std::min(size * count, s->size - s->position);
  std::memcpy(buffer, s->data + s->position, n);
  s->position += n;
  return size == 0 ? 0 : n / size;
}

TEST(VorbisFileDll, RefusesAStreamThatIsNotVorbis) {
  Library vorbisfile("vorbisfile.dll");
  ASSERT_TRUE(vorbisfile.Loaded());
  struct Callbacks {
    size_t(__cdecl* read)(void*, size_t, size_t, void*);
    int(__cdecl* seek)(void*, long long, int);
    int(__cdecl* close)(void*);
    long(__cdecl* tell)(void*);
  };
  using OpenFn = int(__cdecl*)(void*, void*, const char*, long, Callbacks);
  const auto open = vorbisfile.Entry<OpenFn>("ov_open_callbacks");
  ASSERT_NE(open, nullptr);

  static const char text[] = "This is plain text and no Ogg stream at all.";
  MemorySource source{text, sizeof text, 0};
  alignas(16) static unsigned char file[8192];
  const Callbacks callbacks{ReadMemory, nullptr, nullptr, nullptr};
  constexpr int kNotAnOggStream = -132;  // OV_ENOTVORBIS
  EXPECT_EQ(open(&source, file, nullptr, 0, callbacks), kNotAnOggStream);
  EXPECT_EQ(source.position, sizeof text);
}

}  // namespace
