#include "player/PlayerRules.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace sonotape {

bool FileTypeFromName(const std::string& fileName, FileType& type) {
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || fileName.find_first_of("\\/", dot) != std::string::npos) {
    return false;
  }
  std::string extension = fileName.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (extension == ".WAV") {
    type = ftWav;
  } else if (extension == ".MP3") {
    type = ftMp3;
  } else if (extension == ".OGG") {
    type = ftOgg;
  } else if (extension == ".FLAC") {
    type = ftFlac;
  } else {
    return false;
  }
  return true;
}

std::uint32_t ChunkSize(FileType type, const PcmFormat& output) {
  if (type == ftMp3) {
    return kMaxChunkBytes;
  }
  const std::uint32_t block = std::max<std::uint32_t>(output.nBlockAlign, 1);
  return kMaxChunkBytes / block * block;
}

std::int32_t VolumeFromSlider(std::int32_t slider) {
  const double value = std::clamp(slider, 100, 10000);
  return static_cast<std::int32_t>(std::nearbyint((std::log10(value / 100) - 2) * 5000));
}

double SeekTarget(double totalSeconds, double targetSeconds) {
  return std::max(std::min(targetSeconds, totalSeconds - 2), 0.0);
}

}  // namespace sonotape
