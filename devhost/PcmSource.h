#pragma once
// The development host's audio decoder: a source filter whose output pin "Audio" delivers the
// test signal of ToneFormat from a streaming thread of its own, paced by the graph's clock or
// as fast as downstream takes it, optionally switching format in mid-stream, again and again,
// as a decoder does when a broadcast changes its audio.

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

// How the decoder brings a new format downstream.
enum class FormatChange {
  OnSample,      // QueryAccept downstream, then the new media type on the first sample
  Reconnect,     // the host stops the graph, reconnects the decoder's pin with the new type, runs it
  RateOnSample,  // a change of rate alone on the sample, any other by reconnection
};

struct SourcePlan {
  ToneFormat format;
  // When set, the samples played in format (looped) instead of the sines.
  std::vector<std::uint8_t> samples;
  // Switches to nextFormat after switchAfter seconds of stream, then back and forth every
  // switchEvery seconds (0: once).
  bool switches = false;
  ToneFormat nextFormat;
  double switchAfter = 0;
  double switchEvery = 0;
  FormatChange change = FormatChange::OnSample;
  double length = 0;  // seconds of stream before end of stream; 0 plays on
  bool paced = true;
  // When set, every byte delivered is also written to PREFIX-1.raw, PREFIX-2.raw, ..., one file
  // per stretch of one format, for comparing recordings with what was played.
  std::string referencePrefix;
};

// The event by which the decoder asks its host to stop the graph, reconnect the decoder's
// output pin with the type the pin now offers, and run the graph again.
constexpr long kEventReconnectDecoder = EC_USER + 1;

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
  // The format the pin offers: the one the decoder delivers, or wants to deliver next.
  const ToneFormat& OfferedFormat() const { return FormatOf(offeredSegment_); }
  // Time the streaming thread spent in downstream delivery: the filters after the decoder.
  double DownstreamSeconds() const;

 private:
  // Where the stream stands: the stretch of one format (from 1), the stream time where it began
  // and the frames of it delivered.
  struct Cursor {
    int segment = 1;
    REFERENCE_TIME segmentStart = 0;
    std::uint64_t frame = 0;
  };
  enum class Entry { Ready, WithType, Waiting, Failed };

  const ToneFormat& FormatOf(int segment) const;
  // The stream time where a segment gives way to the next; kNever when it does not.
  REFERENCE_TIME SwitchTime(int segment) const;
  // The stream time where the stream ends; kNever when it plays on.
  REFERENCE_TIME EndTime() const;
  // The stream time of the cursor.
  REFERENCE_TIME CursorTime() const;

  void Stream();
  // Waits until the clock reaches start (less a lead); false when stopping.
  bool WaitForTime(REFERENCE_TIME start);
  // Makes the connection carry segment's format: it does already, or downstream takes it on
  // the next sample, or the host is asked (once per run) to reconnect the pin.
  Entry EnterSegment(int segment, bool& askedHost);
  bool InStream(const ToneFormat& from, const ToneFormat& to) const;
  bool StartSegment(int segment);
  // Frames of the current segment to deliver next: a chunk, less when a switch or the end comes.
  std::size_t NextChunk() const;
  HRESULT DeliverFrames(const ToneFormat& format, std::size_t frames, bool newType);
  void FillFrames(const ToneFormat& format, std::uint64_t firstFrame, std::uint8_t* out, std::size_t frames) const;
  bool OpenReference(int index);
  void CloseReference();
  void StopStreaming();

  SourcePlan plan_;
  TPcmSourcePin pin_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> running_{false};
  std::atomic<std::int64_t> downstreamTicks_{0};  // performance-counter ticks
  std::atomic<int> offeredSegment_{1};
  // Streaming thread only, or while it is stopped.
  Cursor cursor_;
  bool resuming_ = false;  // stopped for a reconnection: the next run goes on from cursor_
  REFERENCE_TIME runStart_ = 0;  // the stream time of cursor_ when this run began
  std::FILE* reference_ = nullptr;
  std::atomic<REFERENCE_TIME> pausedAt_{0};  // stream time while paused
};

}  // namespace devhost
