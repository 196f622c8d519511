#pragma once
// What the player reads a recording through: a reader turns a WAV, MP3, Ogg Vorbis or FLAC file
// into chunks of PCM (the recorded samples for WAV, the file's samples for FLAC, 16-bit for MP3
// and Ogg Vorbis) and repositions it to a time. Open, Reposition and Close run on the window's
// thread, ReadChunk on the player's worker; the player never lets them overlap.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/PcmFormat.h"
#include "codecs/StreamCallbacks.h"

namespace sonotape {

enum FileType : std::uint8_t { ftWav = 0, ftMp3 = 1, ftOgg = 2, ftFlac = 3 };

class FileReader {
 public:
  virtual ~FileReader() = default;
  // Reads from stream, which outlives the reader. format holds the recording's format on entry
  // and the output format on success. On failure errorText holds the text to show, or stays
  // empty when there is nothing to say.
  virtual bool Open(PlayerStream& stream, PcmFormat& format, std::string& errorText) = 0;
  // PCM bytes written to buffer, at most size; 0 at the end of the data.
  virtual std::size_t ReadChunk(std::uint8_t* buffer, std::size_t size) = 0;
  virtual bool Reposition(double targetSeconds, double totalSeconds) = 0;
  // Releases the decoder; the stream stays open.
  virtual void Close() = 0;
};

// The reader for a file type; null when it cannot be allocated.
std::unique_ptr<FileReader> CreateFileReader(FileType type);

}  // namespace sonotape
