// Times the recorder's Ogg Vorbis path natively on raw 16-bit PCM: buffers of 20 ms as a decoder
// delivers them, converted and encoded at the default settings, each page written as it leaves.
// tools/codec-bench.sh runs it beside oggenc on the same PCM.
//
//   ogg_path_timing RATE CHANNELS IN.raw OUT.ogg    prints the seconds spent and the bytes written

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codecs/OggEncoder.h"
#include "support/OggRecording.h"
#include "support/PcmFormats.h"

namespace {

using namespace sonotape;

// Unbuffered, as the plug-in's output file is.
class PosixFile : public RecordingFile {
 public:
  explicit PosixFile(const char* path) : fd_(open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644)) {}
  ~PosixFile() override {
    if (fd_ >= 0) close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  bool IsOpen() const { return fd_ >= 0; }
  std::size_t Append(const void* data, std::size_t size) override {
    const ssize_t written = write(fd_, data, size);
    if (written > 0) length_ += static_cast<std::uint64_t>(written);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
  }
  bool WriteAt(std::uint64_t, const void*, std::size_t) override { return false; }
  std::uint64_t Length() const override { return length_; }
  bool Truncate(std::uint64_t length) override {
    if (ftruncate(fd_, static_cast<off_t>(length)) != 0 || lseek(fd_, static_cast<off_t>(length), SEEK_SET) < 0) {
      return false;
    }
    length_ = length;
    return true;
  }

 private:
  int fd_;
  std::uint64_t length_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: ogg_path_timing RATE CHANNELS IN.raw OUT.ogg\n");
    return 2;
  }
  const PcmFormat format = testsupport::PlainFormat(kFormatPcm, static_cast<std::uint16_t>(std::atoi(argv[2])), 16,
                                                    static_cast<std::uint32_t>(std::atol(argv[1])));
  std::ifstream in(argv[3], std::ios::binary);
  const std::vector<std::uint8_t> pcm{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  PosixFile file(argv[4]);
  VorbisBindings libraries(PluginFolder());
  if (pcm.empty() || !file.IsOpen() || format.nChannels < 1 || format.nChannels > 6 || !libraries.LoadOgg() ||
      !libraries.LoadVorbis() || !libraries.LoadVorbisEnc() || !libraries.Complete()) {
    std::fprintf(stderr, "no input, no output file or no Ogg Vorbis libraries\n");
    return 1;
  }
  const auto started = std::chrono::steady_clock::now();
  OggEncoder encoder(libraries);
  std::string failure;
  if (!encoder.Start(OggSettings{}, format.nChannels, format.nSamplesPerSec, {"TITLE=Timing"}, file, failure)) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    return 1;
  }
  std::size_t written = encoder.HeaderBytes() + testsupport::EncodeInBuffers(format, pcm, encoder, file);
  written += encoder.Finish(file);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
  std::printf("%.3f %zu\n", spent.count(), written);
  return 0;
}
