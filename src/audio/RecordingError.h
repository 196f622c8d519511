#pragma once
// What went wrong in a recording, as a value: the engine returns it or hands it to the window's
// thread, which decides whether to show it.

#include <cstdint>
#include <string>
#include <utility>

namespace sonotape {

struct RecordingError {
  enum Kind : std::uint8_t {
    kNone,
    kMissingLibrary,  // a codec library is missing: a warning
    kRefusedFormat,   // the input is one the recording's format cannot record
    kFailed,          // anything else: the file, the encoder, memory
  };
  Kind kind = kNone;
  std::string text;      // the user's message; empty: nothing to show
  std::string fileName;  // the file it concerns, if any
  bool switchToWav = false;  // the next start records WAV until the user picks a format again

  explicit operator bool() const { return kind != kNone; }
};

inline constexpr char kOutOfMemoryText[] = "There is not enough memory available";

inline RecordingError Failure(RecordingError::Kind kind, std::string text, std::string fileName = {}) {
  return {kind, std::move(text), std::move(fileName)};
}

}  // namespace sonotape
