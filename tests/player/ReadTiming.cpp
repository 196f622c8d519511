// Reads a recording as the player does (its file stream, the reader its extension names with the
// codec library beside this program, the player's chunks) into a raw PCM file.
// tests/player/mp3-decode-check.sh compares an MP3's PCM with LAME's own decoder;
// tools/codec-bench.sh times MP3 and FLAC beside lame.exe --decode and flac.exe -d.
//
//   read_timing IN OUT.raw    prints the seconds spent, the PCM bytes and the sample rate

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "player/FileReader.h"
#include "player/PlayerFile.h"
#include "player/PlayerRules.h"
#include "support/ReadToFile.h"

int main(int argc, char** argv) {
  using namespace sonotape;
  FileType type{};
  if (argc != 3 || !FileTypeFromName(argv[1], type)) {
    std::fprintf(stderr, "usage: read_timing IN.mp3|IN.ogg|IN.flac|IN.wav OUT.raw\n");
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const std::unique_ptr<PlayerStream> file = OpenPlayerFile(argv[1]);
  const std::unique_ptr<FileReader> reader = CreateFileReader(type);
  std::FILE* out = std::fopen(argv[2], "wb");
  PcmFormat format{};
  format.nChannels = 2;  // an MP3 file's channels are the recording's
  std::string error;
  if (!file || !reader || out == nullptr || !reader->Open(*file, format, error)) {
    std::fprintf(stderr, "cannot read %s or write %s %s\n", argv[1], argv[2], error.c_str());
    return 1;
  }
  std::size_t total = 0;
  const bool written = testsupport::ReadToFile(*reader, ChunkSize(type, format), out, total);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
  if (!written) {
    std::fprintf(stderr, "writing %s failed\n", argv[2]);
    return 1;
  }
  std::printf("%.3f %zu %u\n", spent.count(), total, static_cast<unsigned>(format.nSamplesPerSec));
  return 0;
}
