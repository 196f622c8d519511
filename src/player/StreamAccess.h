#pragma once
// The readers' access to the player's stream: an error of the stream reads as nothing read or a
// position not reached, never as an exception.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "codecs/StreamCallbacks.h"

namespace sonotape {

// Bytes read into buffer; 0 on an error.
std::size_t ReadStream(PlayerStream& stream, void* buffer, std::size_t bytes);
// Moves to offset from the beginning; true when the stream is there afterwards.
bool SeekStream(PlayerStream& stream, std::int64_t offset);
std::optional<std::int64_t> StreamPosition(PlayerStream& stream);
// The stream's length; the position is left at the end.
std::optional<std::int64_t> StreamLength(PlayerStream& stream);

}  // namespace sonotape
