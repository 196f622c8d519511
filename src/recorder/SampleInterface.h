#pragma once
// The tap filter's own interface, used inside the process between the tap and the recorder:
// the input format, the per-sample callback and the lock that callback runs under.

#include <windows.h>
#include <unknwn.h>

#include <cstdint>

#include "audio/PcmFormat.h"

namespace sonotape {

// {3E74EB92-19B4-4668-AD4E-ECA07062D1C9}
inline constexpr GUID CLSID_SampleFilter = {
    0x3E74EB92, 0x19B4, 0x4668, {0xAD, 0x4E, 0xEC, 0xA0, 0x70, 0x62, 0xD1, 0xC9}};
// {DAEEA161-3D8F-49A3-AF4F-4A5D8523B062}
inline constexpr GUID IID_ISampleInterface = {
    0xDAEEA161, 0x3D8F, 0x49A3, {0xAF, 0x4F, 0x4A, 0x5D, 0x85, 0x23, 0xB0, 0x62}};

// Called for every sample with data, on the streaming thread.
using SampleCallbackCode = void (*)(void* context, const std::uint8_t* data, std::int32_t length);

struct SampleCallback {
  SampleCallbackCode code = nullptr;
  void* context = nullptr;
};

struct ISampleInterface : public IUnknown {
  // The callback lock: held around every callback and every evaluation of the input format, so
  // what the callback writes reads consistently between Lock and Unlock, and the format read
  // under it stays until Unlock. Never held while a sample goes downstream.
  virtual void STDMETHODCALLTYPE Lock() = 0;
  virtual void STDMETHODCALLTYPE Unlock() = 0;
  virtual void STDMETHODCALLTYPE GetCallback(SampleCallback* callback) = 0;
  // Installs the callback (null code: none) and clears the format-changed flag. Once it has
  // returned, the previous callback is not running and will not run again.
  virtual void STDMETHODCALLTYPE SetCallback(SampleCallbackCode code, void* context) = 0;
  // The first 20 bytes of the format record.
  virtual void STDMETHODCALLTYPE GetFormat(void* format) = 0;
  virtual void STDMETHODCALLTYPE GetFormatEx(PcmFormat* format) = 0;
  virtual std::uint8_t STDMETHODCALLTYPE GetSampleKind() = 0;
  virtual BOOL STDMETHODCALLTYPE GetFormatChanged() = 0;
  virtual void STDMETHODCALLTYPE SetFormatChanged(BOOL changed) = 0;
};

// Holds a tap's callback lock for a scope (none without a tap).
class SampleLock {
 public:
  explicit SampleLock(ISampleInterface* tap) : tap_(tap) {
    if (tap_ != nullptr) tap_->Lock();
  }
  ~SampleLock() {
    if (tap_ != nullptr) tap_->Unlock();
  }
  SampleLock(const SampleLock&) = delete;
  SampleLock& operator=(const SampleLock&) = delete;

 private:
  ISampleInterface* tap_;
};

}  // namespace sonotape
