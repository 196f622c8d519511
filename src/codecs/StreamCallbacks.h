#pragma once
// The callbacks through which vorbisfile reads the player's file. The datasource is the address
// of the player's variable holding its stream; no error of the stream reaches vorbisfile.

#include <cstddef>
#include <cstdint>

namespace sonotape {

class PlayerStream {
 public:
  virtual ~PlayerStream() = default;
  // May throw on a read or seek error.
  virtual std::size_t Read(void* buffer, std::size_t bytes) = 0;
  virtual void Seek(std::int64_t offset, int origin) = 0;  // origin 0 begin, 1 current, 2 end
  virtual std::int64_t Position() = 0;
};

// Whole items read; 0 for an empty request or an error.
std::size_t StreamRead(void* buffer, std::size_t size, std::size_t count, void* datasource);
// An unknown whence does nothing. 0, or -1 on an error.
int StreamSeek(void* datasource, std::int64_t offset, int whence);
// The position; -1 on an error or when it does not fit into a long (32 bits on Windows).
long StreamTell(void* datasource);

}  // namespace sonotape
