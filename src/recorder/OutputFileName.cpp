#include "recorder/OutputFileName.h"

#include <cstdio>

#include "recorder/RecorderText.h"

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
    default:
      return ".wav";
  }
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
  if (naming.appendDateTime || name.empty()) {
    if (!name.empty()) {
      name += ' ';
    }
    name += FormatFileTime(now);
  }
  result.shownFolder = folderExists(naming.outputFolder) ? naming.outputFolder : naming.defaultFolder;
  std::string base = result.shownFolder;
  if (base.empty() || base.back() != '\\') {
    base += '\\';
  }
  base += name;
  if (!fileExists(base + ext)) {
    result.fileName = base + ext;
    return result;
  }
  for (unsigned n = 1; n <= kMaxNumber; ++n) {
    char number[16];
    std::snprintf(number, sizeof number, " %.2u", n);
    if (!fileExists(base + number + ext)) {
      result.fileName = base + number + ext;
      return result;
    }
  }
  return result;  // no free name: no file, rather than overwriting one
}

}  // namespace sonotape
