// Reads an Ogg Vorbis file natively as the player does (the Ogg Vorbis reader on the system's
// libvorbisfile, chunks of the player's size) into a raw PCM file; tools/codec-bench.sh times it
// beside oggdec.
//
//   ogg_read_timing RATE CHANNELS IN.ogg OUT.raw    prints the seconds spent and the PCM bytes

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "player/FileReader.h"
#include "support/PcmFormats.h"
#include "support/ReadToFile.h"

namespace {

using namespace sonotape;

class PosixFile : public PlayerStream {
 public:
  explicit PosixFile(const char* path) : file_(std::fopen(path, "rb")) {}
  ~PosixFile() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  bool IsOpen() const { return file_ != nullptr; }
  std::size_t Read(void* buffer, std::size_t bytes) override { return std::fread(buffer, 1, bytes, file_); }
  void Seek(std::int64_t offset, int origin) override {
    if (fseeko(file_, offset, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END) != 0) {
      throw std::runtime_error("seek");
    }
  }
  std::int64_t Position() override { return ftello(file_); }

 private:
  std::FILE* file_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: ogg_read_timing RATE CHANNELS IN.ogg OUT.raw\n");
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  PcmFormat format = testsupport::PlainFormat(kFormatPcm, static_cast<std::uint16_t>(std::atoi(argv[2])), 16,
                                              static_cast<std::uint32_t>(std::atol(argv[1])));
  PosixFile file(argv[3]);
  const std::unique_ptr<FileReader> reader = CreateFileReader(ftOgg);
  std::FILE* out = std::fopen(argv[4], "wb");
  std::string error;
  if (!file.IsOpen() || !reader || out == nullptr || format.nChannels == 0 || !reader->Open(file, format, error)) {
    std::fprintf(stderr, "cannot read %s or write %s %s\n", argv[3], argv[4], error.c_str());
    return 1;
  }
  std::size_t total = 0;
  const bool written = testsupport::ReadToFile(*reader, 8192 / format.nBlockAlign * format.nBlockAlign, out, total);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
  if (!written) {
    std::fprintf(stderr, "writing %s failed\n", argv[4]);
    return 1;
  }
  std::printf("%.3f %zu\n", spent.count(), total);
  return 0;
}
