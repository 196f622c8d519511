#pragma once
// The tap filter's own interface, used inside the process between the tap and the recorder:
// the input format, the per-sample callback and the lock that callback runs under.

#include <windows.h>
#include <unknwn.h>

#include <cstdint>

#include "audio/PcmFormat.h"
#include "audio/PreRecordBuffer.h"

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

// {6B0F3C52-8E1A-4D7B-9C26-0F4A1E3B5D87}
inline constexpr GUID IID_ILevelMeter = {
    0x6B0F3C52, 0x8E1A, 0x4D7B, {0x9C, 0x26, 0x0F, 0x4A, 0x1E, 0x3B, 0x5D, 0x87}};

// The levels of the sound passing the tap, whether it records or not.
struct ILevelMeter : public IUnknown {
  // The highest magnitude of channel in the last 300 ms, as a fraction of full scale: S_OK, or
  // S_FALSE when no sound flowed in that time or the format has no such channel.
  virtual HRESULT STDMETHODCALLTYPE GetRecentPeak(UINT channel, float* peak) = 0;
  // When a block of sound (a channel at -60 dBFS or more) last passed, in GetTickCount64's
  // milliseconds; 0: none yet.
  virtual ULONGLONG STDMETHODCALLTYPE GetLastSound() = 0;
};

// {0E5D7A19-4C2B-4F61-8B3D-95A7C1E2F406}
inline constexpr GUID IID_IPreRecord = {
    0x0E5D7A19, 0x4C2B, 0x4F61, {0x8B, 0x3D, 0x95, 0xA7, 0xC1, 0xE2, 0xF4, 0x06}};

// Writes a piece of buffered audio; false stops the handing over.
using PreRecordWrite = bool (*)(void* context, const std::uint8_t* data, std::size_t length);

// The last seconds of sound the tap keeps while no callback is installed, so a recording can
// start with them. Every method takes the callback lock.
struct IPreRecord : public IUnknown {
  // Window thread: the seconds to keep, 0 for none; from now on and for every new format.
  // E_OUTOFMEMORY when the buffer for the connected format cannot be had: it keeps nothing then.
  virtual HRESULT STDMETHODCALLTYPE SetPreRecordSeconds(UINT seconds) = 0;
  // The seconds the buffer holds at most for the connected format (fewer than asked where the
  // memory cap bites; 0 without a format or setting), and whether its allocation failed.
  virtual void STDMETHODCALLTYPE GetPreRecordState(UINT* seconds, BOOL* failed) = 0;
  // Hands the buffered audio over into taken and goes on buffering into a new buffer of the
  // same size: S_OK. E_OUTOFMEMORY, handing nothing over, when no second buffer can be had;
  // S_FALSE when nothing is buffered.
  virtual HRESULT STDMETHODCALLTYPE TakePreRecorded(PreRecordBuffer* taken) = 0;
  // Writes what is buffered through write, oldest first, and empties the buffer; for the
  // caller that installs its callback under the same lock, so the next sample follows seamlessly.
  virtual void STDMETHODCALLTYPE DrainPreRecorded(PreRecordWrite write, void* context) = 0;
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
