#pragma once
// The timing programs' loop: a reader's chunks, as the player takes them, written to a file.

#include <cstdio>
#include <vector>

#include "player/FileReader.h"

namespace testsupport {

// Reads to the end in chunks of chunkSize into out and closes out; false when writing failed.
inline bool ReadToFile(sonotape::FileReader& reader, std::size_t chunkSize, std::FILE* out, std::size_t& total) {
  std::vector<std::uint8_t> chunk(chunkSize);
  bool written = true;
  total = 0;
  for (std::size_t got; (got = reader.ReadChunk(chunk.data(), chunk.size())) > 0; total += got) {
    written = written && std::fwrite(chunk.data(), 1, got, out) == got;
  }
  reader.Close();
  return std::fclose(out) == 0 && written;
}

}  // namespace testsupport
