#include "PcmSource.h"

#include <mmreg.h>
#include <ks.h>
#include <ksmedia.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "baseclasses/BCMediaType.h"
#include "graph/ComPtr.h"

using sonotape::ComPtr;

namespace devhost {

namespace {

// {6A3B1F52-2C0E-4C8B-9F0D-5E7A41C2B803}
constexpr GUID CLSID_DevHostPcmSource = {0x6A3B1F52, 0x2C0E, 0x4C8B, {0x9F, 0x0D, 0x5E, 0x7A, 0x41, 0xC2, 0xB8, 0x03}};

constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;
constexpr REFERENCE_TIME kLead = 2000000;  // how far delivery runs ahead of the clock
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
  if (FAILED(MakeToneMediaType(source_.Plan().format, offered))) {
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
  return MakeToneMediaType(source_.Plan().format, *type);
}

HRESULT TPcmSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) {
  const SourcePlan& plan = source_.Plan();
  properties->cBuffers = std::max(properties->cBuffers, kBuffers);
  properties->cbBuffer = std::max({properties->cbBuffer, ChunkBytes(plan.format),
                                   plan.switches ? ChunkBytes(plan.nextFormat) : 0L});
  properties->cbAlign = std::max(properties->cbAlign, 1L);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(properties, &actual);
  if (FAILED(hr)) {
    return hr;
  }
  return actual.cbBuffer < properties->cbBuffer ? E_FAIL : S_OK;
}

TPcmSource::TPcmSource(const SourcePlan& plan)
    : TBCBaseFilter("PCM source", nullptr, std::make_unique<sonotape::TBCCritSec>(), CLSID_DevHostPcmSource),
      plan_(plan),
      pin_(*this, FilterLock()) {}

TPcmSource::~TPcmSource() { StopStreaming(); }

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
  if (reference_ != nullptr) {
    std::fclose(reference_);
    reference_ = nullptr;
  }
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

bool TPcmSource::SwitchFormat() {
  AM_MEDIA_TYPE type{};
  if (FAILED(MakeToneMediaType(plan_.nextFormat, type))) {
    return false;
  }
  IPin* peer = pin_.ConnectedPin();
  const bool accepted = peer != nullptr && peer->QueryAccept(&type) == S_OK && SUCCEEDED(pin_.SetMediaType(&type));
  sonotape::FreeMediaType(type);
  if (!accepted) {
    std::fprintf(stderr, "downstream refuses the format change; the format stays\n");
  }
  return accepted;
}

void TPcmSource::FillFrames(const ToneFormat& format, std::uint64_t firstFrame, std::uint8_t* out,
                            std::size_t frames) const {
  const std::vector<std::uint8_t>& samples = plan_.samples;
  if (playingNext_ || samples.empty()) {
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

HRESULT TPcmSource::DeliverFrames(const ToneFormat& format, std::uint64_t firstFrame, std::size_t frames,
                                  bool newType) {
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
  FillFrames(format, firstFrame, data, frames);
  REFERENCE_TIME start = formatStart_ + FramesToTime(firstFrame, format.rate);
  REFERENCE_TIME stop = formatStart_ + FramesToTime(firstFrame + frames, format.rate);
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

void TPcmSource::Stream() {
  ToneFormat format = plan_.format;
  bool switched = !plan_.switches;
  bool newType = false;
  std::uint64_t frame = 0;  // within the current format
  formatStart_ = 0;
  playingNext_ = false;
  if (!OpenReference(1)) {
    return;
  }
  while (!stopping_) {
    const double played = static_cast<double>(formatStart_) / kUnitsPerSecond + static_cast<double>(frame) / format.rate;
    if (!switched && played >= plan_.switchAfter) {
      switched = true;
      if (SwitchFormat()) {
        if (!OpenReference(2)) {
          break;
        }
        formatStart_ += FramesToTime(frame, format.rate);
        format = plan_.nextFormat;
        playingNext_ = true;
        frame = 0;
        newType = true;
      }
    }
    if (plan_.length > 0 && played >= plan_.length) {
      pin_.DeliverEndOfStream();
      break;
    }
    const double nextStop = switched ? plan_.length : plan_.switchAfter;
    std::size_t frames = format.rate / kChunksPerSecond;
    if (nextStop > 0) {
      const double left = (nextStop - played) * format.rate;
      frames = std::min(frames, static_cast<std::size_t>(std::max(1.0, std::ceil(left))));
    }
    if (plan_.paced && !WaitForTime(formatStart_ + FramesToTime(frame, format.rate))) {
      break;
    }
    if (DeliverFrames(format, frame, frames, newType) != S_OK) {
      break;  // stopped, flushed or refused downstream
    }
    newType = false;
    frame += frames;
  }
  if (reference_ != nullptr) {
    std::fclose(reference_);
    reference_ = nullptr;
  }
}

}  // namespace devhost
