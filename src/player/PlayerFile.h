#pragma once
// The file the player reads: opened read-only, sharing reading and writing with others, so that a
// recording still being written can be played.

#include <memory>
#include <string>

#include "codecs/StreamCallbacks.h"

namespace sonotape {

// The open file, or null when it cannot be opened. Its Read, Seek and Position throw on an error.
std::unique_ptr<PlayerStream> OpenPlayerFile(const std::string& name);

}  // namespace sonotape
