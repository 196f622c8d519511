#pragma once
// The development host's audio decoder: a source filter whose output pin "Audio" delivers the
// test signal of ToneFormat from a streaming thread of its own, paced by the graph's clock or
// as fast as downstream takes it, optionally switching format in mid-stream as a decoder does
// when a broadcast changes its audio.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ToneFormat.h"
#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCOutputPin.h"

namespace devhost {

struct SourcePlan {
  ToneFormat format;
  // When set, the samples played in format (looped) instead of the sines.
  std::vector<std::uint8_t> samples;
  bool switches = false;  // to nextFormat after switchAfter seconds of stream
  ToneFormat nextFormat;
  double switchAfter = 0;
  double length = 0;  // seconds of stream before end of stream; 0 plays on
  bool paced = true;
  // When set, every byte delivered is also written to PREFIX-1.raw (and PREFIX-2.raw after the
  // switch), for comparing a recording with what was played.
  std::string referencePrefix;
};

// The media type of a format (the caller frees it).
HRESULT MakeToneMediaType(const ToneFormat& format, AM_MEDIA_TYPE& type);

class TPcmSource;

class TPcmSourcePin : public sonotape::TBCBaseOutputPin {
 public:
  TPcmSourcePin(TPcmSource& filter, sonotape::TBCCritSec& lock);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) override;
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override { return S_OK; }

 private:
  TPcmSource& source_;
};

class TPcmSource : public sonotape::TBCBaseFilter {
 public:
  explicit TPcmSource(const SourcePlan& plan);
  ~TPcmSource() override;

  int GetPinCount() override { return 1; }
  sonotape::TBCBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }

  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;

  const SourcePlan& Plan() const { return plan_; }
  // Time the streaming thread spent in downstream delivery: the filters after the decoder.
  double DownstreamSeconds() const;

 private:
  void Stream();
  // Waits until the clock reaches start (less a lead); false when stopping.
  bool WaitForTime(REFERENCE_TIME start);
  HRESULT DeliverFrames(const ToneFormat& format, std::uint64_t firstFrame, std::size_t frames, bool newType);
  void FillFrames(const ToneFormat& format, std::uint64_t firstFrame, std::uint8_t* out, std::size_t frames) const;
  bool SwitchFormat();
  bool OpenReference(int index);
  void StopStreaming();

  SourcePlan plan_;
  TPcmSourcePin pin_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> running_{false};
  bool playingNext_ = false;  // the switch to nextFormat was made; streaming thread only
  std::atomic<std::int64_t> downstreamTicks_{0};  // performance-counter ticks
  std::FILE* reference_ = nullptr;
  REFERENCE_TIME formatStart_ = 0;  // stream time where the current format began
  std::atomic<REFERENCE_TIME> pausedAt_{0};  // stream time while paused
};

}  // namespace devhost
