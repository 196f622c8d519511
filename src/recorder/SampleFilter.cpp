#include "recorder/SampleFilter.h"

#include <cstring>

#include <mmreg.h>

namespace sonotape {

namespace {

bool IsTappedSubtype(const GUID& subtype) {
  return subtype == MEDIASUBTYPE_PCM || subtype == MEDIASUBTYPE_IEEE_FLOAT || subtype == MEDIASUBTYPE_DOLBY_AC3_SPDIF;
}

}  // namespace

TSampleFilter::TSampleFilter() : TBCTransInPlaceFilter("Sample Filter", nullptr, CLSID_SampleFilter, false) {}

HRESULT TSampleFilter::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (out != nullptr && iid == IID_ISampleInterface) {
    return GetInterface(static_cast<ISampleInterface*>(this), out);
  }
  if (out != nullptr && iid == IID_ILevelMeter) {
    return GetInterface(static_cast<ILevelMeter*>(this), out);
  }
  if (out != nullptr && iid == IID_IPreRecord) {
    return GetInterface(static_cast<IPreRecord*>(this), out);
  }
  return TBCTransInPlaceFilter::NonDelegatingQueryInterface(iid, out);
}

void TSampleFilter::ResetFormat() {
  format_ = PcmFormat{};
  kind_ = skUnsupported;
  PreparePreRecord();
}

HRESULT TSampleFilter::SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE* type) {
  if (direction == PINDIR_OUTPUT) {
    return S_OK;
  }
  TBCAutoLock callback(callbackLock_);  // no evaluation while the recorder installs its callback
  TBCAutoLock lock(formatLock_);
  meter_.Reset();
  if (type == nullptr) {
    ResetFormat();
    return E_POINTER;
  }
  // A change the recorder has not taken yet stays: a reconnection sets the same type twice.
  const bool pending = formatChanged_;
  formatChanged_ = true;
  if (type->majortype != MEDIATYPE_Audio || !IsTappedSubtype(type->subtype) ||
      type->formattype != FORMAT_WaveFormatEx) {
    ResetFormat();
    return S_OK;  // accepted, but nothing to record
  }
  if (type->pbFormat == nullptr) {
    ResetFormat();
    return E_POINTER;
  }
  PcmFormat evaluated{};
  const SampleKind kind = EvaluateWaveFormat(type->pbFormat, type->cbFormat, evaluated);
  const bool changed = FormatChanged(kind_, format_, kind, evaluated);
  formatChanged_ = pending || changed;
  format_ = evaluated;
  kind_ = kind;
  if (changed) {
    PreparePreRecord();  // the sound kept so far is of the format before
  }
  return S_OK;
}

void TSampleFilter::PreparePreRecord() {
  const bool recordable = kind_ == skIntegerPcm || kind_ == skFloat;
  const std::size_t capacity = recordable ? PreRecordBuffer::CapacityFor(format_, preRecordSeconds_) : 0;
  preRecordFailed_ = false;
  if (capacity == 0) {
    preRecord_.Free();
  } else if (capacity == preRecord_.Capacity() && std::memcmp(&format_, &preRecord_.Format(), sizeof format_) == 0) {
    preRecord_.Clear();
  } else {
    preRecordFailed_ = !preRecord_.Allocate(format_, capacity);
  }
}

HRESULT TSampleFilter::SetPreRecordSeconds(UINT seconds) {
  TBCAutoLock lock(callbackLock_);
  if (seconds == preRecordSeconds_ && !preRecordFailed_) {
    return S_OK;  // what is kept stays
  }
  preRecordSeconds_ = seconds;
  TBCAutoLock formatGuard(formatLock_);
  PreparePreRecord();
  return preRecordFailed_ ? E_OUTOFMEMORY : S_OK;
}

void TSampleFilter::GetPreRecordState(UINT* seconds, BOOL* failed) {
  TBCAutoLock lock(callbackLock_);
  if (seconds != nullptr) {
    *seconds = preRecord_.Capacity() == 0 ? 0 : PreRecordBuffer::SecondsIn(preRecord_.Format(), preRecord_.Capacity());
  }
  if (failed != nullptr) {
    *failed = preRecordFailed_ ? TRUE : FALSE;
  }
}

HRESULT TSampleFilter::TakePreRecorded(PreRecordBuffer* taken) {
  if (taken == nullptr) {
    return E_POINTER;
  }
  PcmFormat format{};
  std::size_t capacity = 0;
  {
    TBCAutoLock lock(callbackLock_);
    if (preRecord_.Size() == 0) {
      return S_FALSE;
    }
    format = preRecord_.Format();
    capacity = preRecord_.Capacity();
  }
  PreRecordBuffer next;  // allocated while the streaming thread goes on
  if (!next.Allocate(format, capacity)) {
    return E_OUTOFMEMORY;
  }
  TBCAutoLock lock(callbackLock_);
  if (preRecord_.Capacity() != capacity || std::memcmp(&preRecord_.Format(), &format, sizeof format) != 0) {
    return S_FALSE;  // a new format came meanwhile and emptied it
  }
  preRecord_.Swap(next);
  taken->Swap(next);
  return S_OK;
}

void TSampleFilter::DrainPreRecorded(PreRecordWrite write, void* context) {
  TBCAutoLock lock(callbackLock_);
  if (write != nullptr) {
    preRecord_.ForEachPiece([write, context](const std::uint8_t* data, std::size_t length) {
      return write(context, data, length);
    });
  }
  preRecord_.Clear();
}

void TSampleFilter::CallBack(IMediaSample* sample) {
  TBCAutoLock lock(callbackLock_);
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) {
    return;
  }
  const long length = sample->GetActualDataLength();
  if (length > 0) {
    meter_.Measure(format_, kind_, data, static_cast<std::size_t>(length), GetTickCount64());
  }
  if (length > 0 && callback_.code != nullptr) {
    try {
      callback_.code(callback_.context, data, length);
    } catch (...) {
      // the recorder's failure must not stop the host's audio
    }
  } else if (length > 0) {
    preRecord_.Append(data, static_cast<std::size_t>(length));
  }
}

HRESULT TSampleFilter::Receive(IMediaSample* sample) {
  AM_MEDIA_TYPE* type = nullptr;
  if (sample->GetMediaType(&type) == S_OK) {
    SetMediaType(PINDIR_INPUT, type);
    DeleteMediaType(type);
  }
  CallBack(sample);
  return OutputPin()->Deliver(sample);  // not connected: VFW_E_NOT_CONNECTED
}

void TSampleFilter::GetCallback(SampleCallback* callback) {
  TBCAutoLock lock(callbackLock_);
  *callback = callback_;
}

void TSampleFilter::SetCallback(SampleCallbackCode code, void* context) {
  TBCAutoLock lock(callbackLock_);
  callback_ = {code, context};
  SetFormatChanged(FALSE);
}

void TSampleFilter::GetFormat(void* format) {
  TBCAutoLock lock(formatLock_);
  std::memcpy(format, &format_, 20);
}

void TSampleFilter::GetFormatEx(PcmFormat* format) {
  TBCAutoLock lock(formatLock_);
  *format = format_;
}

std::uint8_t TSampleFilter::GetSampleKind() {
  TBCAutoLock lock(formatLock_);
  return kind_;
}

BOOL TSampleFilter::GetFormatChanged() {
  TBCAutoLock lock(formatLock_);
  return formatChanged_ ? TRUE : FALSE;
}

HRESULT TSampleFilter::GetRecentPeak(UINT channel, float* peak) {
  if (peak == nullptr) {
    return E_POINTER;
  }
  const std::optional<float> recent = meter_.RecentPeak(channel, GetTickCount64());
  *peak = recent.value_or(0.0f);
  return recent ? S_OK : S_FALSE;
}

void TSampleFilter::SetFormatChanged(BOOL changed) {
  TBCAutoLock lock(formatLock_);
  formatChanged_ = changed != FALSE;
}

}  // namespace sonotape
