#pragma once
// A filter of the framework with pins of both directions whose hooks the tests steer and count.

#include <memory>
#include <vector>

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCBasePin.h"

namespace testsupport {

// {6C0F6D4E-2B1A-4C52-9E61-5A2D0F1B7C33}
inline constexpr GUID CLSID_TestFilter = {0x6c0f6d4e, 0x2b1a, 0x4c52, {0x9e, 0x61, 0x5a, 0x2d, 0x0f, 0x1b, 0x7c, 0x33}};

class TestPin : public sonotape::TBCBasePin {
 public:
  TestPin(sonotape::TBCBaseFilter& filter, sonotape::TBCCritSec& lock, const wchar_t* name, PIN_DIRECTION direction)
      : TBCBasePin("test pin", filter, lock, name, direction) {}

  HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }

  // Accepts the subtypes listed in accepted (any when empty), answering refusal otherwise.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  // Offers the records of offered, in order.
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
  HRESULT Active() override { ++activeCalls; return activeResult; }
  HRESULT Inactive() override { ++inactiveCalls; TBCBasePin::Inactive(); return inactiveResult; }
  HRESULT Run(REFERENCE_TIME) override { ++runCalls; return runResult; }
  HRESULT CompleteConnect(IPin*) override { return completeResult; }
  LONG GetMediaTypeVersion() override { return typeVersion; }

  std::vector<GUID> accepted;
  std::vector<GUID> offered;
  HRESULT refusal = S_FALSE;
  HRESULT activeResult = S_OK, inactiveResult = S_OK, runResult = S_OK, completeResult = S_OK;
  int activeCalls = 0, inactiveCalls = 0, runCalls = 0, checkCalls = 0;
  LONG typeVersion = 1;
};

class TestFilter : public sonotape::TBCBaseFilter {
 public:
  // Pins named "In1".. and "Out1".., the inputs first.
  TestFilter(int inputs, int outputs, bool* destroyed = nullptr);
  ~TestFilter() override;

  int GetPinCount() override { return static_cast<int>(pins_.size()); }
  sonotape::TBCBasePin* GetPin(int index) override;
  LONG GetPinVersion() override { return pinVersion; }

  TestPin& Pin(int index) { return *pins_[static_cast<size_t>(index)]; }
  void RemoveLastPin() { pins_.pop_back(); ++pinVersion; }
  IBaseFilter* Interface() { return this; }

  LONG pinVersion = 1;

 private:
  std::vector<std::unique_ptr<TestPin>> pins_;
  bool* destroyed_;
};

// Audio media type records with the given subtype and no format block.
AM_MEDIA_TYPE AudioType(const GUID& subtype);

}  // namespace testsupport
