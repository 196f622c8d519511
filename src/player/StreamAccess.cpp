#include "player/StreamAccess.h"

namespace sonotape {

std::size_t ReadStream(PlayerStream& stream, void* buffer, std::size_t bytes) {
  try {
    return stream.Read(buffer, bytes);
  } catch (...) {
    return 0;
  }
}

bool SeekStream(PlayerStream& stream, std::int64_t offset) {
  try {
    stream.Seek(offset, 0);
    return stream.Position() == offset;
  } catch (...) {
    return false;
  }
}

std::optional<std::int64_t> StreamPosition(PlayerStream& stream) {
  try {
    return stream.Position();
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<std::int64_t> StreamLength(PlayerStream& stream) {
  try {
    stream.Seek(0, 2);
    return stream.Position();
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace sonotape
