// Reads an MP3 file as the player does (its file stream, the MP3 reader and MPGLib.DLL beside this
// program, chunks of 8192 bytes) into a raw PCM file. tests/player/mp3-decode-check.sh compares
// the PCM with LAME's own decoder; tools/codec-bench.sh times it beside lame.exe --decode.
//
//   mp3_read_timing IN.mp3 OUT.raw    prints the seconds spent, the PCM bytes and the sample rate

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "player/FileReader.h"
#include "support/ReadToFile.h"
#include "player/PlayerFile.h"

int main(int argc, char** argv) {
  using namespace sonotape;
  if (argc != 3) {
    std::fprintf(stderr, "usage: mp3_read_timing IN.mp3 OUT.raw\n");
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const std::unique_ptr<PlayerStream> file = OpenPlayerFile(argv[1]);
  const std::unique_ptr<FileReader> reader = CreateFileReader(ftMp3);
  std::FILE* out = std::fopen(argv[2], "wb");
  PcmFormat format{};
  format.nChannels = 2;
  std::string error;
  if (!file || !reader || out == nullptr || !reader->Open(*file, format, error)) {
    std::fprintf(stderr, "cannot read %s or write %s %s\n", argv[1], argv[2], error.c_str());
    return 1;
  }
  std::size_t total = 0;
  const bool written = testsupport::ReadToFile(*reader, 8192, out, total);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
  if (!written) {
    std::fprintf(stderr, "writing %s failed\n", argv[2]);
    return 1;
  }
  std::printf("%.3f %zu %u\n", spent.count(), total, static_cast<unsigned>(format.nSamplesPerSec));
  return 0;
}
