#include "codecs/StreamCallbacks.h"

#include <limits>

namespace sonotape {

namespace {

PlayerStream& StreamOf(void* datasource) { return **static_cast<PlayerStream**>(datasource); }

}  // namespace

std::size_t StreamRead(void* buffer, std::size_t size, std::size_t count, void* datasource) {
  if (size == 0 || count == 0) {
    return 0;
  }
  try {
    return StreamOf(datasource).Read(buffer, size * count) / size;
  } catch (...) {
    return 0;
  }
}

int StreamSeek(void* datasource, std::int64_t offset, int whence) {
  try {
    if (whence >= 0 && whence <= 2) {
      StreamOf(datasource).Seek(offset, whence);
    }
    return 0;
  } catch (...) {
    return -1;
  }
}

long StreamTell(void* datasource) {
  try {
    const std::int64_t position = StreamOf(datasource).Position();
    return position <= std::numeric_limits<long>::max() ? static_cast<long>(position) : -1;
  } catch (...) {
    return -1;
  }
}

}  // namespace sonotape
