#pragma once
// The audio tap: an in-place filter that accepts every type, evaluates the input format, hands
// every sample's data to the recorder's callback (or keeps the last seconds while there is none),
// measures its levels and passes the very same sample on.

#include "audio/PeakMeter.h"
#include "baseclasses/BCTransInPlaceFilter.h"
#include "recorder/SampleInterface.h"

namespace sonotape {

class TSampleFilter : public TBCTransInPlaceFilter, public ISampleInterface, public ILevelMeter, public IPreRecord {
 public:
  TSampleFilter();

  TBC_DELEGATING_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

  HRESULT CheckInputType(const AM_MEDIA_TYPE* /*type*/) override { return S_OK; }
  HRESULT SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE* type) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT Transform(IMediaSample* /*sample*/) override { return S_OK; }

  // ISampleInterface
  void STDMETHODCALLTYPE Lock() override { callbackLock_.Lock(); }
  void STDMETHODCALLTYPE Unlock() override { callbackLock_.Unlock(); }
  void STDMETHODCALLTYPE GetCallback(SampleCallback* callback) override;
  void STDMETHODCALLTYPE SetCallback(SampleCallbackCode code, void* context) override;
  void STDMETHODCALLTYPE GetFormat(void* format) override;
  void STDMETHODCALLTYPE GetFormatEx(PcmFormat* format) override;
  std::uint8_t STDMETHODCALLTYPE GetSampleKind() override;
  BOOL STDMETHODCALLTYPE GetFormatChanged() override;
  void STDMETHODCALLTYPE SetFormatChanged(BOOL changed) override;

  // ILevelMeter
  HRESULT STDMETHODCALLTYPE GetRecentPeak(UINT channel, float* peak) override;
  ULONGLONG STDMETHODCALLTYPE GetLastSound() override { return meter_.LastSoundMs(); }

  // IPreRecord
  HRESULT STDMETHODCALLTYPE SetPreRecordSeconds(UINT seconds) override;
  void STDMETHODCALLTYPE GetPreRecordState(UINT* seconds, BOOL* failed) override;
  HRESULT STDMETHODCALLTYPE TakePreRecorded(PreRecordBuffer* taken) override;
  void STDMETHODCALLTYPE DrainPreRecorded(PreRecordWrite write, void* context) override;

 private:
  void ResetFormat();
  // Under the callback lock: a buffer for the setting in the connected format, emptied.
  void PreparePreRecord();
  void CallBack(IMediaSample* sample);

  // Held around the callback and the format evaluation, never around a delivery: taking the
  // receive lock instead would make the window thread wait while a paused renderer holds one.
  TBCCritSec callbackLock_;
  SampleCallback callback_;
  // Guards the format fields, which the streaming thread writes and the window thread reads.
  TBCCritSec formatLock_;
  PcmFormat format_{};
  SampleKind kind_ = skUnsupported;
  bool formatChanged_ = false;
  // Measured under the callback lock, which keeps the format it measures in.
  PeakMeter meter_;
  // Filled under the callback lock while no callback is installed.
  PreRecordBuffer preRecord_;
  unsigned preRecordSeconds_ = 0;
  bool preRecordFailed_ = false;
};

}  // namespace sonotape
