#include "audio/PcmFormat.h"

#include <cstring>

namespace sonotape {

namespace {

// The sub-formats {0000xxxx-0000-0010-8000-00AA00389B71} differ only in their first field.
bool IsBaseSubFormat(const FormatGuid& guid) {
  return guid.data2 == kSubtypePcm.data2 && guid.data3 == kSubtypePcm.data3 &&
         std::memcmp(guid.data4, kSubtypePcm.data4, sizeof guid.data4) == 0;
}

SampleKind KindOfSubFormat(const FormatGuid& guid) {
  if (!IsBaseSubFormat(guid)) {
    return skUnsupported;
  }
  switch (guid.data1) {
    case kFormatPcm:
      return skIntegerPcm;
    case kFormatFloat:
      return skFloat;
    case kFormatSpdif:
      return skSpdif;
    default:
      return skUnsupported;
  }
}

// Far above any audio rate, and low enough that the byte rate cannot overflow.
constexpr std::uint32_t kMaxRate = 1536000;

SampleKind KindOf(const PcmFormat& format, bool extensible) {
  const unsigned bits = format.wBitsPerSample;
  if (format.nChannels == 0 || format.nChannels > 6 || format.nSamplesPerSec == 0 || format.nSamplesPerSec > kMaxRate ||
      (bits != 16 && bits != 24 && bits != 32)) {
    return skUnsupported;
  }
  switch (format.wFormatTag) {
    case kFormatPcm:
      return skIntegerPcm;
    case kFormatFloat:
      return bits == 32 ? skFloat : skUnsupported;
    case kFormatSpdif:
      return skSpdif;
    case kFormatExtensible:
      return extensible ? KindOfSubFormat(format.SubFormat) : skUnsupported;
    default:
      return skUnsupported;
  }
}

}  // namespace

SampleKind EvaluateWaveFormat(const void* block, std::size_t size, PcmFormat& record) {
  record = PcmFormat{};
  if (block == nullptr || size < kShortFormatSize) {
    return skUnsupported;
  }
  std::memcpy(&record, block, kShortFormatSize);
  const bool extensible =
      record.wFormatTag == kFormatExtensible && record.cbSize >= 22 && size >= sizeof(PcmFormat);
  if (extensible) {
    std::memcpy(&record, block, sizeof(PcmFormat));
  }
  const SampleKind kind = KindOf(record, extensible);
  if (kind != skUnsupported) {
    record.nBlockAlign = static_cast<std::uint16_t>(record.nChannels * (record.wBitsPerSample / 8));
    record.nAvgBytesPerSec = record.nSamplesPerSec * record.nBlockAlign;
  }
  return kind;
}

bool FormatChanged(SampleKind oldKind, const PcmFormat& oldFormat, SampleKind newKind, const PcmFormat& newFormat) {
  return oldKind != newKind || oldFormat.nChannels != newFormat.nChannels ||
         oldFormat.wBitsPerSample != newFormat.wBitsPerSample || oldFormat.nSamplesPerSec != newFormat.nSamplesPerSec;
}

}  // namespace sonotape
