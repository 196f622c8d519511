// The recorder's view of the tap while it records or not: levels, silence and the pre-record
// buffer.

#include "recorder/Recorder.h"

namespace sonotape {

ISampleInterface* Recorder::CurrentTap() const {
  return recordingTap_ ? recordingTap_.Get() : tap_.sampleIntf.Get();
}

std::optional<float> Recorder::RecentPeak(unsigned channel) {
  ComPtr<ILevelMeter> meter;
  float peak = 0;
  ISampleInterface* tap = CurrentTap();
  if (tap == nullptr || FAILED(QueryInto(tap, IID_ILevelMeter, meter)) || meter->GetRecentPeak(channel, &peak) != S_OK) {
    return std::nullopt;
  }
  return peak;
}

int Recorder::PeakLevel(unsigned channel) { return PeakHundredthsDb(RecentPeak(channel)); }

PcmFormat Recorder::TapFormat() {
  PcmFormat format{};
  if (ISampleInterface* tap = CurrentTap()) {
    tap->GetFormatEx(&format);
  }
  return format;
}

std::int64_t Recorder::SilentSeconds() {
  ComPtr<ILevelMeter> meter;
  if (recState_ != rsRecording || FAILED(QueryInto(recordingTap_.Get(), IID_ILevelMeter, meter))) {
    return 0;
  }
  const std::uint64_t now = GetTickCount64();
  const std::uint64_t since = std::max<std::uint64_t>(meter->GetLastSound(), heardFromMs_);
  return now > since ? static_cast<std::int64_t>((now - since) / 1000) : 0;
}

void Recorder::SetPreRecordSeconds(unsigned seconds) {
  preRecordSeconds_ = seconds;
  ComPtr<IPreRecord> preRecord;
  if (tap_.sampleIntf && SUCCEEDED(QueryInto(tap_.sampleIntf.Get(), IID_IPreRecord, preRecord))) {
    preRecord->SetPreRecordSeconds(seconds);  // a failure shows in PreRecording
  }
}

Recorder::PreRecordState Recorder::PreRecording() {
  ComPtr<IPreRecord> preRecord;
  UINT seconds = 0;
  BOOL failed = FALSE;
  if (tap_.sampleIntf && SUCCEEDED(QueryInto(tap_.sampleIntf.Get(), IID_IPreRecord, preRecord))) {
    preRecord->GetPreRecordState(&seconds, &failed);
  }
  return {seconds, failed != FALSE};
}

}  // namespace sonotape
