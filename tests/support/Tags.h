#pragma once
// Tags for a test recording: its title, the rest as a start without a host channel leaves them.

#include <string>

#include "audio/RecordingTags.h"

namespace testsupport {

inline sonotape::RecordingTags TitleTags(const std::string& title = "take") {
  sonotape::RecordingTags tags;
  tags.title = title;
  return tags;
}

}  // namespace testsupport
