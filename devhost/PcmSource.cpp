#include "PcmSource.h"

#include <mmreg.h>
#include <ks.h>
#include <ksmedia.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "BufferRequest.h"
#include "baseclasses/BCMediaType.h"
#include "graph/ComPtr.h"

using sonotape::ComPtr;

namespace devhost {

namespace {

// {6A3B1F52-2C0E-4C8B-9F0D-5E7A41C2B803}
constexpr GUID CLSID_DevHostPcmSource = {0x6A3B1F52, 0x2C0E, 0x4C8B, {0x9F, 0x0D, 0x5E, 0x7A, 0x41, 0xC2, 0xB8, 0x03}};

constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;
constexpr REFERENCE_TIME kLead = 2000000;  // how far delivery runs ahead of the clock
constexpr REFERENCE_TIME kNever = std::numeric_limits<REFERENCE_TIME>::max();
constexpr unsigned kChunksPerSecond = 50;
constexpr long kBuffers = 8;

DWORD SpeakerMask(unsigned channels) {
  switch (channels) {
    case 1: return SPEAKER_FRONT_CENTER;
    case 2: return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
    case 4: return KSAUDIO_SPEAKER_QUAD;
    case 6: return KSAUDIO_SPEAKER_5POINT1;
    case 8: return KSAUDIO_SPEAKER_7POINT1_SURROUND;
    default: return (1u << channels) - 1;
  }
}

WAVEFORMATEXTENSIBLE WaveFormat(const ToneFormat& format) {
  WAVEFORMATEXTENSIBLE wave{};
  wave.Format.wFormatTag = format.spdif      ? WAVE_FORMAT_DOLBY_AC3_SPDIF
                           : format.isFloat ? WAVE_FORMAT_IEEE_FLOAT
                                            : WAVE_FORMAT_PCM;
  wave.Format.nChannels = static_cast<WORD>(format.channels);
  wave.Format.nSamplesPerSec = format.rate;
  wave.Format.nAvgBytesPerSec = format.BytesPerSecond();
  wave.Format.nBlockAlign = static_cast<WORD>(format.BlockAlign());
  wave.Format.wBitsPerSample = static_cast<WORD>(format.bits);
  if (format.extensible && !format.spdif) {
    wave.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    wave.Format.cbSize = sizeof wave - sizeof wave.Format;
    wave.Samples.wValidBitsPerSample = static_cast<WORD>(format.bits);
    wave.dwChannelMask = SpeakerMask(format.channels);
    wave.SubFormat = format.isFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;  // the same GUIDs as KSDATAFORMAT_SUBTYPE_*
  }
  return wave;
}

long ChunkBytes(const ToneFormat& format) {
  return static_cast<long>(format.rate / kChunksPerSecond * format.BlockAlign());
}

REFERENCE_TIME FramesToTime(std::uint64_t frames, unsigned rate) {
  return static_cast<REFERENCE_TIME>(frames * kUnitsPerSecond / rate);
}

REFERENCE_TIME SecondsToTime(double seconds) { return std::llround(seconds * kUnitsPerSecond); }

// The frames that bring a stream time at least to a later one.
std::uint64_t FramesUntil(REFERENCE_TIME from, REFERENCE_TIME to, unsigned rate) {
  return (static_cast<std::uint64_t>(to - from) * rate + kUnitsPerSecond - 1) / kUnitsPerSecond;
}

// A change of rate alone: the same sample layout.
bool SameLayout(const ToneFormat& a, const ToneFormat& b) {
  return a.channels == b.channels && a.bits == b.bits && a.isFloat == b.isFloat && a.extensible == b.extensible &&
         a.spdif == b.spdif;
}

}  // namespace

HRESULT MakeToneMediaType(const ToneFormat& format, AM_MEDIA_TYPE& type) {
  WAVEFORMATEXTENSIBLE wave = WaveFormat(format);
  AM_MEDIA_TYPE record{};
  record.majortype = MEDIATYPE_Audio;
  record.subtype = format.spdif ? MEDIASUBTYPE_DOLBY_AC3_SPDIF
                   : format.isFloat ? MEDIASUBTYPE_IEEE_FLOAT
                                    : MEDIASUBTYPE_PCM;
  record.bFixedSizeSamples = TRUE;
  record.lSampleSize = static_cast<ULONG>(format.BlockAlign());
  record.formattype = FORMAT_WaveFormatEx;
  record.cbFormat = sizeof wave.Format + wave.Format.cbSize;
  record.pbFormat = reinterpret_cast<BYTE*>(&wave);
  return sonotape::CopyMediaType(type, record);
}

TPcmSourcePin::TPcmSourcePin(TPcmSource& filter, sonotape::TBCCritSec& lock)
    : TBCBaseOutputPin("PCM source pin", filter, lock, L"Audio"), source_(filter) {}

HRESULT TPcmSourcePin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  AM_MEDIA_TYPE offered{};
  if (FAILED(MakeToneMediaType(source_.OfferedFormat(), offered))) {
    return E_OUTOFMEMORY;
  }
  const bool same = type->majortype == offered.majortype && type->subtype == offered.subtype &&
                    type->formattype == offered.formattype && type->cbFormat == offered.cbFormat &&
                    std::equal(offered.pbFormat, offered.pbFormat + offered.cbFormat, type->pbFormat);
  sonotape::FreeMediaType(offered);
  return same ? S_OK : S_FALSE;
}

HRESULT TPcmSourcePin::GetMediaType(int position, AM_MEDIA_TYPE* type) {
  if (position != 0) {
    return VFW_S_NO_MORE_ITEMS;
  }
  return MakeToneMediaType(source_.OfferedFormat(), *type);
}

HRESULT TPcmSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) {
  const SourcePlan& plan = source_.Plan();
  properties->cBuffers = std::max(properties->cBuffers, kBuffers);
  properties->cbBuffer = std::max({properties->cbBuffer, ChunkBytes(plan.format),
                                   plan.switches ? ChunkBytes(plan.nextFormat) : 0L});
  properties->cbAlign = std::max(properties->cbAlign, 1L);
  return RequestBuffers(allocator, properties);
}

TPcmSource::TPcmSource(const SourcePlan& plan)
    : TBCBaseFilter("PCM source", nullptr, std::make_unique<sonotape::TBCCritSec>(), CLSID_DevHostPcmSource),
      plan_(plan),
      pin_(*this, FilterLock()) {}

TPcmSource::~TPcmSource() {
  StopStreaming();
  CloseReference();
}

HRESULT TPcmSource::Pause() {
  sonotape::TBCAutoLock lock(FilterLock());
  if (State() == State_Running) {
    REFERENCE_TIME now = 0;
    StreamTime(&now);
    pausedAt_ = now;
    running_ = false;
  }
  const bool starting = IsStopped();
  const HRESULT hr = TBCBaseFilter::Pause();
  if (SUCCEEDED(hr) && starting && pin_.IsConnected()) {
    stopping_ = false;
    pausedAt_ = 0;
    thread_ = std::thread(&TPcmSource::Stream, this);
  }
  return hr;
}

HRESULT TPcmSource::Run(REFERENCE_TIME start) {
  const HRESULT hr = TBCBaseFilter::Run(start);
  running_ = SUCCEEDED(hr);
  return hr;
}

HRESULT TPcmSource::Stop() {
  stopping_ = true;
  running_ = false;
  const HRESULT hr = TBCBaseFilter::Stop();  // decommits: a thread waiting for a buffer returns
  StopStreaming();
  return hr;
}

void TPcmSource::StopStreaming() {
  stopping_ = true;
  if (thread_.joinable()) {
    thread_.join();
  }
}

const ToneFormat& TPcmSource::FormatOf(int segment) const {
  return plan_.switches && segment % 2 == 0 ? plan_.nextFormat : plan_.format;
}

REFERENCE_TIME TPcmSource::SwitchTime(int segment) const {
  if (!plan_.switches || (segment > 1 && plan_.switchEvery <= 0)) {
    return kNever;
  }
  return SecondsToTime(plan_.switchAfter + (segment - 1) * plan_.switchEvery);
}

REFERENCE_TIME TPcmSource::EndTime() const { return plan_.length > 0 ? SecondsToTime(plan_.length) : kNever; }

REFERENCE_TIME TPcmSource::CursorTime() const {
  return cursor_.segmentStart + FramesToTime(cursor_.frame, FormatOf(cursor_.segment).rate);
}

bool TPcmSource::WaitForTime(REFERENCE_TIME start) {
  while (!stopping_) {
    REFERENCE_TIME now = pausedAt_;
    if (running_ && StreamTime(&now) == VFW_E_NO_CLOCK) {
      return true;  // no clock: as fast as downstream takes it
    }
    if (start - kLead <= now) {
      return true;
    }
    Sleep(5);
  }
  return false;
}

bool TPcmSource::OpenReference(int index) {
  CloseReference();
  if (plan_.referencePrefix.empty()) {
    return true;
  }
  const std::string path = plan_.referencePrefix + "-" + std::to_string(index) + ".raw";
  reference_ = std::fopen(path.c_str(), "wb");
  if (reference_ == nullptr) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
  }
  return reference_ != nullptr;
}

void TPcmSource::CloseReference() {
  if (reference_ != nullptr && std::fclose(reference_) != 0) {
    std::fprintf(stderr, "writing the reference file failed\n");
  }
  reference_ = nullptr;
}

bool TPcmSource::InStream(const ToneFormat& from, const ToneFormat& to) const {
  switch (plan_.change) {
    case FormatChange::OnSample: return true;
    case FormatChange::Reconnect: return false;
    case FormatChange::RateOnSample: return SameLayout(from, to);
  }
  return false;
}

TPcmSource::Entry TPcmSource::EnterSegment(int segment, bool& askedHost) {
  AM_MEDIA_TYPE type{};
  if (FAILED(MakeToneMediaType(FormatOf(segment), type))) {
    return Entry::Failed;
  }
  Entry entry = Entry::Waiting;
  IPin* peer = pin_.ConnectedPin();
  if (sonotape::MediaTypesEqual(pin_.CurrentMediaType(), type)) {
    entry = Entry::Ready;
  } else if (InStream(OfferedFormat(), FormatOf(segment)) && peer != nullptr && peer->QueryAccept(&type) == S_OK) {
    sonotape::TBCAutoLock lock(FilterLock());  // against ConnectionMediaType on other threads
    if (SUCCEEDED(pin_.SetMediaType(&type))) {
      entry = Entry::WithType;
    }
  }
  sonotape::FreeMediaType(type);
  offeredSegment_ = segment;
  if (entry == Entry::Waiting && !askedHost) {
    askedHost = true;
    if (FAILED(NotifyEvent(kEventReconnectDecoder, 0, 0))) {
      std::fprintf(stderr, "the graph cannot be asked to reconnect the decoder\n");
      return Entry::Failed;
    }
  }
  return entry;
}

bool TPcmSource::StartSegment(int segment) {
  cursor_.segmentStart = CursorTime();
  cursor_.segment = segment;
  cursor_.frame = 0;
  return OpenReference(segment);
}

void TPcmSource::FillFrames(const ToneFormat& format, std::uint64_t firstFrame, std::uint8_t* out,
                            std::size_t frames) const {
  const std::vector<std::uint8_t>& samples = plan_.samples;
  if (cursor_.segment % 2 == 0 || samples.empty()) {
    FillTone(format, firstFrame, out, frames);
    return;
  }
  const std::size_t block = format.BlockAlign();
  std::size_t offset = static_cast<std::size_t>(firstFrame * block % samples.size());
  for (std::size_t left = frames * block; left > 0;) {
    const std::size_t part = std::min(left, samples.size() - offset);
    std::memcpy(out, samples.data() + offset, part);
    out += part;
    left -= part;
    offset = 0;
  }
}

HRESULT TPcmSource::DeliverFrames(const ToneFormat& format, std::size_t frames, bool newType) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = pin_.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) {
    return hr;
  }
  const long bytes = static_cast<long>(frames * format.BlockAlign());
  BYTE* data = nullptr;
  if (bytes > sample->GetSize() || FAILED(sample->GetPointer(&data))) {
    return E_UNEXPECTED;
  }
  FillFrames(format, cursor_.frame, data, frames);
  // Sample times count from the start of this run.
  REFERENCE_TIME start = CursorTime() - runStart_;
  REFERENCE_TIME stop = cursor_.segmentStart + FramesToTime(cursor_.frame + frames, format.rate) - runStart_;
  sample->SetActualDataLength(bytes);
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  if (newType) {
    AM_MEDIA_TYPE type{};
    hr = MakeToneMediaType(format, type);
    if (SUCCEEDED(hr)) {
      hr = sample->SetMediaType(&type);
      sonotape::FreeMediaType(type);
    }
    if (FAILED(hr)) {
      return hr;
    }
  }
  if (reference_ != nullptr && std::fwrite(data, 1, static_cast<size_t>(bytes), reference_) != static_cast<size_t>(bytes)) {
    std::fprintf(stderr, "writing the reference file failed\n");
    return E_FAIL;
  }
  LARGE_INTEGER before{}, after{};
  QueryPerformanceCounter(&before);
  hr = pin_.Deliver(sample.Get());
  QueryPerformanceCounter(&after);
  downstreamTicks_ += after.QuadPart - before.QuadPart;
  return hr;
}

double TPcmSource::DownstreamSeconds() const {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(downstreamTicks_) / static_cast<double>(frequency.QuadPart);
}

std::size_t TPcmSource::NextChunk() const {
  const ToneFormat& format = FormatOf(cursor_.segment);
  const std::uint64_t chunk = format.rate / kChunksPerSecond;
  const REFERENCE_TIME limit = std::min(SwitchTime(cursor_.segment), EndTime());
  if (limit == kNever) {
    return static_cast<std::size_t>(chunk);
  }
  return static_cast<std::size_t>(std::min(chunk, FramesUntil(CursorTime(), limit, format.rate)));
}

void TPcmSource::Stream() {
  if (!resuming_) {
    cursor_ = Cursor{};
    if (!OpenReference(1)) {
      return;
    }
  }
  resuming_ = false;
  runStart_ = CursorTime();
  bool carried = false;  // the connection carries the cursor's format
  bool askedHost = false;
  bool newType = false;
  while (!stopping_) {
    const REFERENCE_TIME now = CursorTime();
    if (now >= EndTime()) {
      pin_.DeliverEndOfStream();
      break;
    }
    const bool switchDue = now >= SwitchTime(cursor_.segment);
    if (switchDue || !carried) {
      const int segment = switchDue ? cursor_.segment + 1 : cursor_.segment;
      const Entry entry = EnterSegment(segment, askedHost);
      if (entry == Entry::Waiting) {
        // The host stops the graph for the reconnection; the next run goes on from here.
        resuming_ = true;
        while (!stopping_) {
          Sleep(5);
        }
        break;
      }
      if (entry == Entry::Failed || (switchDue && !StartSegment(segment))) {
        break;
      }
      carried = true;
      newType = entry == Entry::WithType;
    }
    if (plan_.paced && !WaitForTime(now - runStart_)) {
      break;
    }
    const std::size_t frames = NextChunk();
    const HRESULT hr = DeliverFrames(FormatOf(cursor_.segment), frames, newType);
    if (hr != S_OK) {
      // A graph that stops stops downstream first, which may answer so before this filter stops.
      const bool stopped = stopping_ || hr == VFW_E_WRONG_STATE || hr == VFW_E_NOT_COMMITTED;
      if (FAILED(hr) && !stopped) {
        // The host would wait for a completion that cannot come.
        std::fprintf(stderr, "downstream refused a sample (0x%08lX); the stream ends\n", static_cast<unsigned long>(hr));
        NotifyEvent(EC_ERRORABORT, hr, 0);
      }
      break;  // stopped, flushed or refused downstream
    }
    newType = false;
    cursor_.frame += frames;
  }
}

}  // namespace devhost
