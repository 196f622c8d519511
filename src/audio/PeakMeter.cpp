#include "audio/PeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <utility>

#include "audio/SampleConversion.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define SONOTAPE_PEAK_SSE2 1
#endif

namespace sonotape {

namespace {

// Sample::Read gives a sample's magnitude in units of which full scale is 1 / Sample::kScale.
struct Sample16 {
  static constexpr unsigned kBytes = 2;
  static constexpr double kScale = 1.0 / 32768;
  using Magnitude = std::int32_t;
  static Magnitude Read(const std::uint8_t* p) {
    const auto value = static_cast<std::int16_t>(p[0] | (p[1] << 8));
    return value < 0 ? -value : value;
  }
};

struct Sample24 {
  static constexpr unsigned kBytes = 3;
  static constexpr double kScale = 1.0 / 8388608;
  using Magnitude = std::int32_t;
  static Magnitude Read(const std::uint8_t* p) {
    const std::int32_t value = Read24(p);
    return value < 0 ? -value : value;
  }
};

struct Sample32 {
  static constexpr unsigned kBytes = 4;
  static constexpr double kScale = 1.0 / 2147483648.0;
  using Magnitude = std::int64_t;
  static Magnitude Read(const std::uint8_t* p) {
    std::int32_t value;
    std::memcpy(&value, p, sizeof value);
    return value < 0 ? -static_cast<std::int64_t>(value) : value;
  }
};

struct SampleFloat {
  static constexpr unsigned kBytes = 4;
  static constexpr double kScale = 1.0;
  using Magnitude = float;
  static Magnitude Read(const std::uint8_t* p) {
    float value;
    std::memcpy(&value, p, sizeof value);
    return std::fabs(value);  // NaN loses every comparison in std::max and is passed over
  }
};

template <typename Magnitude>
void FoldPeak(float& peak, Magnitude highest, double scale) {
  peak = std::max(peak, static_cast<float>(static_cast<double>(highest) * scale));
}

// One channel at a time, in integers where the samples are.
template <typename Sample>
void FoldScalar(const std::uint8_t* data, std::size_t frames, unsigned channels, float* peaks) {
  const std::size_t stride = static_cast<std::size_t>(channels) * Sample::kBytes;
  for (unsigned c = 0; c < channels; ++c) {
    typename Sample::Magnitude highest = 0;
    const std::uint8_t* p = data + c * Sample::kBytes;
    for (std::size_t f = 0; f < frames; ++f, p += stride) {
      highest = std::max(highest, Sample::Read(p));
    }
    FoldPeak(peaks[c], highest, Sample::kScale);
  }
}

#ifdef SONOTAPE_PEAK_SSE2

// Vector lanes: a group is kSamples consecutive samples of any channels. Fold adds a group to a
// State of kStateVectors vectors, which starts zeroed; Magnitudes gives each lane's highest
// magnitude, in the order of the samples in the group.

__m128i LoadBytes(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Eight 16-bit samples, each lane's lowest and highest value: exact, and -32768 reads 32768.
struct Lanes16 {
  static constexpr unsigned kSamples = 8;
  static constexpr unsigned kStateVectors = 2;
  using Magnitude = std::int32_t;
  struct State {
    __m128i lowest;
    __m128i highest;
  };
  static void Fold(State& state, const std::uint8_t* p) {
    const __m128i values = LoadBytes(p);
    state.lowest = _mm_min_epi16(state.lowest, values);
    state.highest = _mm_max_epi16(state.highest, values);
  }
  static void Magnitudes(const State& state, Magnitude* out) {
    alignas(16) std::int16_t lowest[kSamples];
    alignas(16) std::int16_t highest[kSamples];
    _mm_store_si128(reinterpret_cast<__m128i*>(lowest), state.lowest);
    _mm_store_si128(reinterpret_cast<__m128i*>(highest), state.highest);
    for (unsigned i = 0; i < kSamples; ++i) {
      out[i] = std::max<Magnitude>(highest[i], -lowest[i]);
    }
  }
};

// Groups of Layout::kVectors vectors of four float magnitudes; Layout::Load reads a group's
// samples as floats, lane i holding sample Layout::kOrder[i] of the group.
template <typename Layout>
struct FloatLanes {
  static constexpr unsigned kSamples = 4 * Layout::kVectors;
  static constexpr unsigned kStateVectors = Layout::kVectors;
  using Magnitude = float;
  struct State {
    __m128 highest[Layout::kVectors];
  };
  static void Fold(State& state, const std::uint8_t* p) {
    __m128 values[Layout::kVectors];
    Layout::Load(p, values);
    const __m128 sign = _mm_set1_ps(-0.0f);
    for (unsigned v = 0; v < Layout::kVectors; ++v) {
      // maxps answers its second operand when either is NaN: a NaN sample is passed over.
      state.highest[v] = _mm_max_ps(_mm_andnot_ps(sign, values[v]), state.highest[v]);
    }
  }
  static void Magnitudes(const State& state, Magnitude* out) {
    alignas(16) float lanes[kSamples];
    for (unsigned v = 0; v < Layout::kVectors; ++v) {
      _mm_store_ps(lanes + 4 * v, state.highest[v]);
    }
    for (unsigned i = 0; i < kSamples; ++i) {
      out[Layout::kOrder[i]] = lanes[i];
    }
  }
};

// Four 4-byte samples in order: floats, or integers converted. Rounding to float is monotonic and
// symmetric, so the highest rounded magnitude is the highest one rounded, as the scalar path has it.
template <bool Integers>
struct Quad {
  static constexpr unsigned kVectors = 1;
  static constexpr unsigned kOrder[4] = {0, 1, 2, 3};
  static void Load(const std::uint8_t* p, __m128* values) {
    const __m128i bytes = LoadBytes(p);
    values[0] = Integers ? _mm_cvtepi32_ps(bytes) : _mm_castsi128_ps(bytes);
  }
};

// Eight 24-bit samples (24 bytes, no byte read beyond them). The load at byte 3k - 1 holds sample
// k in the top three bytes of its first lane and sample k + 4 in those of its last; the one at
// byte -1 is the load at 0 shifted by a byte. Integers of 24 bits are exact as floats.
struct Packed24 {
  static constexpr unsigned kVectors = 2;
  static constexpr unsigned kOrder[8] = {0, 4, 1, 5, 2, 6, 3, 7};
  static void Load(const std::uint8_t* p, __m128* values) {
    const __m128 at0 = _mm_castsi128_ps(_mm_slli_si128(LoadBytes(p), 1));
    values[0] = TopBytes(_mm_shuffle_ps(at0, _mm_castsi128_ps(LoadBytes(p + 2)), _MM_SHUFFLE(3, 0, 3, 0)));
    values[1] = TopBytes(_mm_shuffle_ps(_mm_castsi128_ps(LoadBytes(p + 5)), _mm_castsi128_ps(LoadBytes(p + 8)),
                                        _MM_SHUFFLE(3, 0, 3, 0)));
  }
  static __m128 TopBytes(__m128 lanes) { return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_castps_si128(lanes), 8)); }
};

template <typename Sample>
struct LanesOf;
template <>
struct LanesOf<Sample16> {
  using Type = Lanes16;
};
template <>
struct LanesOf<Sample24> {
  using Type = FloatLanes<Packed24>;
};
template <>
struct LanesOf<Sample32> {
  using Type = FloatLanes<Quad<true>>;
};
template <>
struct LanesOf<SampleFloat> {
  using Type = FloatLanes<Quad<false>>;
};

// Folds whole steps of Groups groups (a whole number of frames), each group position in a state
// of its own; returns the frames folded.
template <typename Sample, unsigned Groups>
std::size_t FoldSteps(const std::uint8_t* data, std::size_t frames, unsigned channels, float* peaks) {
  using Lanes = typename LanesOf<Sample>::Type;
  constexpr std::size_t kStepSamples = std::size_t{Groups} * Lanes::kSamples;
  const std::size_t steps = frames * channels / kStepSamples;
  if (steps == 0) {
    return 0;
  }
  typename Lanes::State states[Groups] = {};
  for (std::size_t s = 0; s < steps; ++s, data += kStepSamples * Sample::kBytes) {
    [&]<std::size_t... G>(std::index_sequence<G...>) {
      (Lanes::Fold(states[G], data + G * Lanes::kSamples * Sample::kBytes), ...);
    }(std::make_index_sequence<Groups>());
  }
  for (unsigned g = 0; g < Groups; ++g) {
    typename Lanes::Magnitude magnitudes[Lanes::kSamples];
    Lanes::Magnitudes(states[g], magnitudes);
    for (unsigned i = 0; i < Lanes::kSamples; ++i) {
      FoldPeak(peaks[(g * Lanes::kSamples + i) % channels], magnitudes[i], Sample::kScale);
    }
  }
  return steps * kStepSamples / channels;
}

// Lanes of 4 or 8 samples come back to the same channel after channels / gcd(channels, lanes)
// groups: 1, 3 or 5 for up to six channels.
static_assert(PeakMeter::kMaxChannels <= 6);
template <typename Sample>
std::size_t FoldVectors(const std::uint8_t* data, std::size_t frames, unsigned channels, float* peaks) {
  using Lanes = typename LanesOf<Sample>::Type;
  switch (channels / std::gcd(channels, Lanes::kSamples)) {
    case 3:
      return FoldSteps<Sample, 3>(data, frames, channels, peaks);
    case 5:
      return FoldSteps<Sample, 5>(data, frames, channels, peaks);
    default:  // four vectors of state in flight; more spill from the i686 build's eight registers
      return FoldSteps<Sample, 4 / Lanes::kStateVectors>(data, frames, channels, peaks);
  }
}

#else

// No vector lanes: every frame is read one sample at a time.
template <typename Sample>
std::size_t FoldVectors(const std::uint8_t*, std::size_t, unsigned, float*) {
  return 0;
}

#endif

// The largest magnitude of each channel over frames of interleaved samples, as a fraction of
// full scale, folded into peaks.
template <typename Sample>
void FoldPeaks(const std::uint8_t* data, std::size_t frames, unsigned channels, float* peaks) {
  const std::size_t done = FoldVectors<Sample>(data, frames, channels, peaks);
  FoldScalar<Sample>(data + done * channels * Sample::kBytes, frames - done, channels, peaks);
}

using FoldFunction = void (*)(const std::uint8_t*, std::size_t, unsigned, float*);

// None for samples it cannot read: float samples are 4 bytes.
FoldFunction FoldFor(SampleKind kind, unsigned bytes) {
  if (kind == skFloat) {
    return bytes == 4 ? FoldPeaks<SampleFloat> : nullptr;
  }
  if (kind != skIntegerPcm) {
    return nullptr;
  }
  switch (bytes) {
    case 2:
      return FoldPeaks<Sample16>;
    case 3:
      return FoldPeaks<Sample24>;
    case 4:
      return FoldPeaks<Sample32>;
    default:
      return nullptr;
  }
}

}  // namespace

void PeakMeter::Reset() {
  std::fill(std::begin(current_), std::end(current_), 0.0f);
  framesInBlock_ = 0;
  for (Block& block : blocks_) {
    block.endedMs = 0;
  }
  channels_ = 0;
}

void PeakMeter::EndBlock(std::uint64_t nowMs) {
  Block& block = blocks_[next_ % kBlocks];
  block.endedMs = 0;  // not read while it changes
  bool sound = false;
  for (unsigned c = 0; c < kMaxChannels; ++c) {
    block.peak[c] = current_[c];
    sound = sound || current_[c] >= kSoundPeak;
    current_[c] = 0;
  }
  if (sound) {
    lastSoundMs_ = nowMs;
  }
  block.endedMs = nowMs;
  ++next_;
  framesInBlock_ = 0;
}

void PeakMeter::Measure(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::size_t length,
                        std::uint64_t nowMs) {
  const unsigned channels = format.nChannels;
  const unsigned bytes = format.wBitsPerSample / 8;
  const FoldFunction fold = FoldFor(kind, bytes);
  if (fold == nullptr || channels == 0 || channels > kMaxChannels || format.nBlockAlign != channels * bytes) {
    return;
  }
  channels_ = channels;
  framesPerBlock_ = std::max<std::uint32_t>(format.nSamplesPerSec / 10, 1);
  std::size_t frames = length / format.nBlockAlign;
  while (frames > 0) {
    const std::size_t n = std::min<std::size_t>(frames, framesPerBlock_ - framesInBlock_);
    fold(data, n, channels, current_);
    framesInBlock_ += static_cast<std::uint32_t>(n);
    data += n * format.nBlockAlign;
    frames -= n;
    if (framesInBlock_ >= framesPerBlock_) {
      EndBlock(nowMs);
    }
  }
}

std::optional<float> PeakMeter::RecentPeak(unsigned channel, std::uint64_t nowMs) const {
  if (channel >= channels_) {
    return std::nullopt;
  }
  std::optional<float> peak;
  for (const Block& block : blocks_) {
    const std::uint64_t ended = block.endedMs;
    if (ended != 0 && ended <= nowMs && nowMs - ended < kBlocks * kBlockMs + kBlockMs) {
      peak = std::max(peak.value_or(0.0f), block.peak[channel].load());
    }
  }
  return peak;
}

int PeakHundredthsDb(std::optional<float> peak) {
  if (!peak || !(*peak > 0)) {
    return kNoLevel;
  }
  const double db = 20 * std::log10(static_cast<double>(*peak));
  return db < -100 ? kNoLevel : static_cast<int>(std::lround(db * 100));
}

}  // namespace sonotape
