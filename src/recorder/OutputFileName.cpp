#include "recorder/OutputFileName.h"

#include <cstdio>

#include "audio/RecordingText.h"

namespace sonotape {

namespace {

// Past this many numbered files something is wrong with the folder, not with the names.
constexpr unsigned kMaxNumber = 99999;

const char* Extension(RecordingFormat format) {
  switch (format) {
    case rfMp3:
      return ".mp3";
    case rfOgg:
      return ".ogg";
    case rfFlac:
      return ".flac";
    default:
      return ".wav";
  }
}

// The name and the time, with a space between when both are there.
std::string JoinName(const std::string& name, const std::string& time) {
  return name.empty() || time.empty() ? name + time : name + ' ' + time;
}

// name cut at its end so that a path of it and `others` characters more (folder, the space and
// time, number, extension) fits; a cut name loses trailing spaces. When not even a character
// fits, the name stays whole and the path too long to open.
std::string FitName(const std::string& name, std::size_t others) {
  if (name.size() + others <= kMaxPathLength || others >= kMaxPathLength) {
    return name;
  }
  const std::size_t end = name.find_last_not_of(' ', kMaxPathLength - others - 1);
  return end == std::string::npos ? name : name.substr(0, end + 1);
}

}  // namespace

std::string FormatFileTime(const LocalTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "-%.2d %.2d-%.2d-%.2d", time.day, time.hour, time.minute, time.second);
  return time.monthAbbreviation + text;
}

OutputName BuildOutputFileName(const FileNaming& naming, const LocalTime& now,
                               const std::function<bool(const std::string&)>& folderExists,
                               const std::function<bool(const std::string&)>& fileExists) {
  OutputName result;
  const std::string ext = Extension(naming.format);
  std::string name = MakeFileNameSafe(naming.scheduledTitle);
  if (name.empty()) {
    name = MakeFileNameSafe(naming.typedName);
  }
  result.shownName = name;
  const std::string time = naming.appendDateTime || name.empty() ? FormatFileTime(now) : std::string();
  result.shownFolder = folderExists(naming.outputFolder) ? naming.outputFolder : naming.defaultFolder;
  std::string folder = result.shownFolder;
  if (folder.empty() || folder.back() != '\\') {
    folder += '\\';
  }
  const std::size_t timeLength = time.empty() ? 0 : time.size() + 1;  // with the space before it
  for (unsigned n = 0; n <= kMaxNumber; ++n) {
    char number[16] = "";
    if (n > 0) {
      std::snprintf(number, sizeof number, " %.2u", n);
    }
    const std::string tail = number + ext;
    const std::string fitted = FitName(name, folder.size() + timeLength + tail.size());
    const std::string path = folder + JoinName(fitted, time) + tail;
    if (!fileExists(path)) {
      result.fileName = path;
      result.shownName = fitted;
      return result;
    }
  }
  return result;  // no free name: no file, rather than overwriting one
}

}  // namespace sonotape
