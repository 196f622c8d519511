#pragma once
// What a recording's file says about it in its tags: title, channel, start date and encoder.

#include <string>

#include "audio/VersionInfo.h"

namespace sonotape {

inline constexpr char kEncoderName[] = "Sonotape " SONOTAPE_VERSION_TEXT;

struct RecordingTags {
  std::string title;   // UTF-8: the file's name without folder and extension
  std::string artist;  // UTF-8: the host's channel, or empty
  int year = 0, month = 0, day = 0;  // the local date the file began; a year of 0: unknown
  std::string encoder = kEncoderName;
};

}  // namespace sonotape
