#pragma once
// The records of output files' names: what naming needs, kept by the window thread as a copy so
// that the streaming thread can name the next file after a format change without touching the
// window; the local time in names; the name built; and the file recorded.

#include <cstddef>
#include <string>

#include "audio/PcmFormat.h"

namespace sonotape {

// The longest path the system's file functions open: MAX_PATH less the terminating NUL.
inline constexpr std::size_t kMaxPathLength = 259;

enum RecordingFormat : unsigned char { rfWav = 0, rfMp3 = 1, rfOgg = 2, rfFlac = 3 };

struct FileNaming {
  std::string scheduledTitle;  // the host's timer recording title, or empty
  std::string typedName;       // the file name box
  bool appendDateTime = true;
  std::string outputFolder;    // the output folder box
  std::string defaultFolder;   // with a trailing backslash, or empty
  RecordingFormat format = rfWav;
};

struct LocalTime {
  std::string monthAbbreviation;  // in the user's locale
  int day = 1, hour = 0, minute = 0, second = 0;
  int year = 0, month = 0;  // a year of 0: the date is not known
};

struct OutputName {
  std::string fileName;    // full path
  std::string shownName;   // what the file name box shows now: the name as the file has it
  std::string shownFolder; // what the output folder box shows now
};

// The current or last output file with the PCM format it was recorded in.
struct RecordedFile {
  std::string fileName;
  PcmFormat format{};
};

}  // namespace sonotape
