#pragma once
// Names of output files. The window thread keeps a FileNaming copy of what naming needs, so the
// streaming thread can name the next file after a format change without touching the window.

#include <cstddef>
#include <functional>
#include <string>

namespace sonotape {

// The longest path the system's file functions open: MAX_PATH less the terminating NUL.
inline constexpr std::size_t kMaxPathLength = 259;

enum RecordingFormat : unsigned char { rfWav = 0, rfMp3 = 1, rfOgg = 2 };

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
};

struct OutputName {
  std::string fileName;    // full path
  std::string shownName;   // what the file name box shows now: the name as the file has it
  std::string shownFolder; // what the output folder box shows now
};

// The next file's name: the safe title or typed name, the time when wanted (or when there is
// no name), in the output folder (the default folder when it does not exist), numbered " 01",
// " 02", ... past files that exist. A name too long for the path to fit kMaxPathLength is cut
// at its end; the time, the number and the extension stay. An empty fileName when every
// number up to 99999 is taken.
OutputName BuildOutputFileName(const FileNaming& naming, const LocalTime& now,
                               const std::function<bool(const std::string&)>& folderExists,
                               const std::function<bool(const std::string&)>& fileExists);

// "mmm-dd hh-mm-ss".
std::string FormatFileTime(const LocalTime& time);

}  // namespace sonotape
