// Loads each cross-built codec DLL by the name the plug-in uses and calls one of its entries.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>
#include <vector>

#include "PluginLibrary.h"
#include "codecs/LameDll.h"
// After the binding: the library's header defines some of the binding's names as macros.
#include <BladeMP3EncDLL.h>

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

// The plug-in's binding declares the stream handle and the configuration record as the
// library's own header does: pointer-sized handle, 331-byte record.
static_assert(sizeof(sonotape::HBE_STREAM) == sizeof(::HBE_STREAM));
static_assert(sizeof(sonotape::BE_CONFIG) == sizeof(::BE_CONFIG));

bool StartsWithMpegFrame(const std::vector<BYTE>& mp3) {
  return mp3.size() >= 4 && mp3[0] == 0xFF && (mp3[1] & 0xE0) == 0xE0;
}

TEST(LameEncDll, EncodesOneSecondOfToneIntoMpegFrames) {
  Library lame("lame_enc.dll");
  ASSERT_TRUE(lame.Loaded());
  const auto init = lame.Entry<BEINITSTREAM>(TEXT_BEINITSTREAM);
  const auto encode = lame.Entry<BEENCODECHUNKFLOATS16NI>(TEXT_BEENCODECHUNKFLOATS16NI);
  const auto deinit = lame.Entry<BEDEINITSTREAM>(TEXT_BEDEINITSTREAM);
  const auto close = lame.Entry<BECLOSESTREAM>(TEXT_BECLOSESTREAM);
  ASSERT_TRUE(init && encode && deinit && close);
  EXPECT_NE(lame.Entry<void*>("beWriteVBRHeader"), nullptr);
  EXPECT_NE(lame.Entry<void*>("beVersion"), nullptr);

  BE_CONFIG config{};
  config.dwConfig = BE_CONFIG_LAME;
  config.format.LHV1.dwStructVersion = CURRENT_STRUCT_VERSION;
  config.format.LHV1.dwStructSize = sizeof config;
  config.format.LHV1.dwSampleRate = 44100;
  config.format.LHV1.nMode = BE_MP3_MODE_JSTEREO;
  config.format.LHV1.dwBitrate = 128;
  config.format.LHV1.nPreset = LQP_NOPRESET;
  config.format.LHV1.dwMpegVersion = MPEG1;
  // The handle slot with guard bytes after it: the library writes the whole handle and no more.
  constexpr BYTE kUnwritten = 0xA5;
  alignas(HBE_STREAM) BYTE slot[2 * sizeof(HBE_STREAM)];
  std::fill(std::begin(slot), std::end(slot), kUnwritten);
  DWORD samples = 0, bufferSize = 0;
  ASSERT_EQ(init(&config, &samples, &bufferSize, reinterpret_cast<PHBE_STREAM>(slot)), BE_ERR_SUCCESSFUL);
  EXPECT_TRUE(std::all_of(slot + sizeof(HBE_STREAM), std::end(slot), [](BYTE b) { return b == kUnwritten; }));
  EXPECT_NE(slot[sizeof(HBE_STREAM) - 1], kUnwritten);  // a user-mode address's top byte
  HBE_STREAM stream = nullptr;
  std::memcpy(&stream, slot, sizeof stream);
  ASSERT_NE(stream, nullptr);
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
    ASSERT_EQ(encode(stream, perChannel, left.data(), right.data(), chunk.data(), &written), BE_ERR_SUCCESSFUL);
    mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + written);
  }
  DWORD written = 0;
  ASSERT_EQ(deinit(stream, chunk.data(), &written), BE_ERR_SUCCESSFUL);
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
