#include "recorder/DiskTime.h"

#include <cmath>
#include <limits>

#include "codecs/OggEncoder.h"

namespace sonotape {

namespace {

constexpr double kBytesPerKbps = 1000.0 / 8;

double PcmRate(const RateBasis& basis) {
  return basis.pcmBytesPerSecond != 0 ? basis.pcmBytesPerSecond : kNominalPcmBytesPerSecond;
}

double NominalRate(const RateBasis& basis) {
  switch (basis.format) {
    case rfMp3:
      return (basis.mp3Method == mmVariable ? (basis.mp3Kbps + basis.mp3MaxKbps) / 2.0 : basis.mp3Kbps) * kBytesPerKbps;
    case rfOgg:
      return OggAverageBitrate(basis.oggQuality) * kBytesPerKbps;
    case rfFlac:
      return PcmRate(basis) * kNominalFlacShare;
    case rfWav:
      break;
  }
  return PcmRate(basis);
}

// To the nearest tenth of the unit, "12.3", with the separator.
std::string Tenths(double value, std::string_view decimal) {
  const auto tenths = static_cast<std::uint64_t>(std::nearbyint(value * 10));
  return std::to_string(tenths / 10) + std::string(decimal) + std::to_string(tenths % 10);
}

}  // namespace

double EstimatedByteRate(const RateBasis& basis) {
  const bool exact = basis.format == rfWav || (basis.format == rfMp3 && basis.mp3Method == mmConstant);
  if (!exact && basis.recordedSeconds >= kMeasuredAfterSeconds && basis.recordedBytes > 0) {
    return static_cast<double>(basis.recordedBytes) / basis.recordedSeconds;
  }
  return NominalRate(basis);
}

std::int64_t SecondsThatFit(std::optional<std::uint64_t> freeBytes, double byteRate) {
  if (!freeBytes || !(byteRate > 0)) {
    return -1;
  }
  const double seconds = std::floor(static_cast<double>(*freeBytes) / byteRate);
  return seconds < static_cast<double>(std::numeric_limits<std::int32_t>::max())
             ? static_cast<std::int64_t>(seconds)
             : std::numeric_limits<std::int32_t>::max();
}

std::string FreeSpaceText(std::optional<std::uint64_t> freeBytes, std::int64_t seconds, std::string_view decimal) {
  if (!freeBytes) {
    return "Free: unknown";
  }
  constexpr double kMiB = 1024.0 * 1024.0, kGiB = kMiB * 1024.0;
  const auto bytes = static_cast<double>(*freeBytes);
  std::string text = "Free: " + (bytes >= kGiB ? Tenths(bytes / kGiB, decimal) + " GB" : Tenths(bytes / kMiB, decimal) + " MB");
  if (seconds < 0) {
    return text;
  }
  const std::int64_t minutes = seconds / 60;
  if (minutes == 0) {
    return text + ", less than 1 min";
  }
  text += ", about ";
  if (minutes >= 60) {
    text += std::to_string(minutes / 60) + " h ";
  }
  return text + std::to_string(minutes % 60) + " min";
}

}  // namespace sonotape
