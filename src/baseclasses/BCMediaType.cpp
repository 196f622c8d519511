#include "baseclasses/BCMediaType.h"

#include <cstring>
#include <cwchar>

#include "baseclasses/MediaTypeRules.h"

namespace sonotape {

namespace {

GuidBytes Bytes(const GUID& guid) {
  GuidBytes bytes;
  std::memcpy(bytes.data(), &guid, sizeof guid);
  return bytes;
}

MediaTypeView View(const AM_MEDIA_TYPE& type) {
  return {Bytes(type.majortype), Bytes(type.subtype), Bytes(type.formattype), type.cbFormat, type.pbFormat};
}

}  // namespace

AM_MEDIA_TYPE DefaultMediaType() {
  AM_MEDIA_TYPE type{};
  type.lSampleSize = 1;
  type.bFixedSizeSamples = -1;
  return type;
}

HRESULT CopyMediaType(AM_MEDIA_TYPE& destination, const AM_MEDIA_TYPE& source) {
  destination = source;
  if (destination.pUnk != nullptr) {
    destination.pUnk->AddRef();
  }
  if (source.cbFormat == 0) {
    return S_OK;
  }
  destination.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
  if (destination.pbFormat == nullptr || source.pbFormat == nullptr) {
    CoTaskMemFree(destination.pbFormat);
    destination.pbFormat = nullptr;
    destination.cbFormat = 0;
    return source.pbFormat == nullptr ? E_POINTER : E_OUTOFMEMORY;
  }
  std::memcpy(destination.pbFormat, source.pbFormat, source.cbFormat);
  return S_OK;
}

void FreeMediaType(AM_MEDIA_TYPE& type) {
  if (type.cbFormat != 0) {
    CoTaskMemFree(type.pbFormat);
    type.cbFormat = 0;
    type.pbFormat = nullptr;
  }
  if (type.pUnk != nullptr) {
    type.pUnk->Release();
    type.pUnk = nullptr;
  }
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (type != nullptr) {
    FreeMediaType(*type);
    CoTaskMemFree(type);
  }
}

bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  return sonotape::MediaTypesEqual(View(a), View(b));
}

bool IsPartiallySpecified(const AM_MEDIA_TYPE& type) {
  return sonotape::IsPartiallySpecified(View(type));
}

bool MatchesPartial(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& partial) {
  return sonotape::MatchesPartial(View(candidate), View(partial));
}

HRESULT WideStringResult(const wchar_t* text, LPWSTR* out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*out == nullptr) {
    return E_OUTOFMEMORY;
  }
  std::memcpy(*out, text, bytes);
  return S_OK;
}

HRESULT TBCMediaType::Set(const AM_MEDIA_TYPE& type) {
  if (&type == &type_) {
    return S_OK;
  }
  FreeMediaType(type_);
  return CopyMediaType(type_, type);
}

}  // namespace sonotape
