#pragma once
// The file a recording is played from: opened read-only, sharing reading and writing with
// others, so that a file the recorder still writes can be played.

#include <memory>
#include <string>

#include "codecs/StreamCallbacks.h"

namespace sonotape {

// Null when the file cannot be opened.
std::unique_ptr<PlayerStream> OpenPlayerFile(const std::string& name);

}  // namespace sonotape
