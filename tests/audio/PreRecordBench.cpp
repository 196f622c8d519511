// Cost of the pre-record buffer: the copy the streaming thread pays for every 20 ms buffer while
// nothing records, into 60 seconds of the format (or the 32 MiB cap), and the handover of a full
// buffer to the recorder, copied into the recorder's memory.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/PreRecordBuffer.h"
#include "support/PcmFormats.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kSeconds = 60;
constexpr int kBuffersPerSecond = 50;
constexpr int kFills = 50;     // timed passes through the whole ring
constexpr int kHandovers = 20;

// Appends a ring's worth of 20 ms buffers; returns the buffers appended.
int FillOnce(sonotape::PreRecordBuffer& buffer, const std::vector<std::uint8_t>& data) {
  const int buffers = static_cast<int>(buffer.Capacity() / data.size()) + 1;
  for (int i = 0; i < buffers; ++i) buffer.Append(data.data(), data.size());
  return buffers;
}

void ReportAppend(sonotape::PreRecordBuffer& buffer, const std::vector<std::uint8_t>& data) {
  FillOnce(buffer, data);  // the ring's pages touched once, as after the first minute
  int buffers = 0;
  const auto start = Clock::now();
  for (int i = 0; i < kFills; ++i) buffers += FillOnce(buffer, data);
  const std::chrono::duration<double> used = Clock::now() - start;
  std::printf("    append: %7.3f us per buffer of %zu bytes, %6.2f GB/s\n", used.count() * 1e6 / buffers,
              data.size(), static_cast<double>(buffers) * data.size() / used.count() / 1e9);
}

void ReportHandover(const sonotape::PreRecordBuffer& buffer) {
  std::vector<std::uint8_t> recorder(buffer.Size());
  double best = 1e9;
  for (int i = 0; i < kHandovers; ++i) {
    std::size_t at = 0;
    const auto start = Clock::now();
    buffer.ForEachPiece([&](const std::uint8_t* data, std::size_t length) {
      std::memcpy(recorder.data() + at, data, length);
      at += length;
      return true;
    });
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::printf("    handover of %zu bytes: %7.3f ms (best of %d), %6.2f GB/s (byte %u midway)\n", buffer.Size(),
              best * 1e3, kHandovers, buffer.Size() / best / 1e9, recorder[recorder.size() / 2]);
}

void Report(const char* name, const sonotape::PcmFormat& format) {
  sonotape::PreRecordBuffer buffer;
  const std::size_t capacity = sonotape::PreRecordBuffer::CapacityFor(format, kSeconds);
  if (!buffer.Allocate(format, capacity)) {
    std::printf("  %s: %zu bytes could not be had\n", name, capacity);
    return;
  }
  std::vector<std::uint8_t> data(format.nSamplesPerSec / kBuffersPerSecond * format.nBlockAlign);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + (i >> 7));
  std::printf("  %s: %u s in %zu bytes\n", name, sonotape::PreRecordBuffer::SecondsIn(format, capacity), capacity);
  ReportAppend(buffer, data);
  ReportHandover(buffer);
}

}  // namespace

int main() {
  std::printf("Pre-record buffer in the tap, 20 ms buffers into %u s (or 32 MiB):\n", kSeconds);
  Report("16-bit stereo 48 kHz", testsupport::PlainFormat(sonotape::kFormatPcm, 2, 16, 48000));
  Report("24-bit 5.1 48 kHz", testsupport::PlainFormat(sonotape::kFormatPcm, 6, 24, 48000));
  Report("32-bit float 5.1 48 kHz", testsupport::PlainFormat(sonotape::kFormatFloat, 6, 32, 48000));
  return 0;
}
