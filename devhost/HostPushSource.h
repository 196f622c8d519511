#pragma once
// The host's push source, as the TV viewer makes it available to plug-ins: a filter whose output
// pin "Audio" carries the PCM that its caller hands over with ISourceSet::PutData. Delivery runs
// on the caller's thread, so the caller is held back while the graph downstream is full; a
// hand-over of 0 bytes ends the stream. Samples carry no times: the renderer plays them as they
// come.

#include <windows.h>
#include <dshow.h>

#include <atomic>

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCMediaType.h"
#include "baseclasses/BCOutputPin.h"
#include "graph/HostSource.h"

namespace devhost {

// What the source reports in the high word of SourceInfo::version (the low word is its build).
inline constexpr std::uint32_t kHostSourceVersion = 0x03020001;

class THostPushSource;

class THostPushPin : public sonotape::TBCBaseOutputPin {
 public:
  THostPushPin(THostPushSource& filter, sonotape::TBCCritSec& lock);
  // Only the type set with SetOutputMediaType.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) override;
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override { return S_OK; }

 private:
  THostPushSource& source_;
};

class THostPushSource : public sonotape::TBCBaseFilter, public sonotape::ISourceSet {
 public:
  THostPushSource(const sonotape::TBCFilterTemplateEntry& entry, IUnknown* owner);

  TBC_DELEGATING_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

  int GetPinCount() override { return 1; }
  sonotape::TBCBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }

  // ISourceSet
  HRESULT STDMETHODCALLTYPE SetOutputMediaType(AM_MEDIA_TYPE* type, INT32 flag) override;
  HRESULT STDMETHODCALLTYPE GetSourceInfo(sonotape::SourceInfo* info) override;
  HRESULT STDMETHODCALLTYPE PutData(const BYTE* data, INT32 size) override;

  // The type set with SetOutputMediaType; majortype GUID_NULL before.
  const AM_MEDIA_TYPE& OutputType() const { return outputType_.Get(); }
  // What callers handed over since creation: hand-overs of 0 bytes, and the bytes of the others.
  long ZeroByteHandOvers() const { return zeroByteHandOvers_; }
  long long BytesHandedOver() const { return bytesHandedOver_; }

 private:
  HRESULT DeliverBytes(const BYTE* data, long size);

  THostPushPin pin_;
  sonotape::TBCMediaType outputType_;
  std::atomic<long> zeroByteHandOvers_{0};
  std::atomic<long long> bytesHandedOver_{0};
};

// The host's class object for CLSID_HostPushSource (the framework's class factory over the
// source's template), registered with COM for this process while the registration lives (on the
// registering thread's apartment). One registration at a time.
class HostPushSourceRegistration {
 public:
  HostPushSourceRegistration();
  ~HostPushSourceRegistration();
  HostPushSourceRegistration(const HostPushSourceRegistration&) = delete;
  HostPushSourceRegistration& operator=(const HostPushSourceRegistration&) = delete;

  // The result of CoRegisterClassObject.
  HRESULT Result() const { return result_; }
  // The source created last through the class object (kept alive by the registration), or null.
  THostPushSource* LastSource() const;

 private:
  DWORD cookie_ = 0;
  HRESULT result_;
};

}  // namespace devhost
