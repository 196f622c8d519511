#pragma once
// The host's push source filter, as far as the plug-in uses it: its class id, its control
// interface ISourceSet and the information record, and the PCM media type template.

#include <windows.h>
#include <dshow.h>

#include <cstdint>

namespace sonotape {

// {D8C561DE-1A6C-4F15-BE71-2947DBE26419}
inline constexpr GUID CLSID_HostPushSource = {
    0xD8C561DE, 0x1A6C, 0x4F15, {0xBE, 0x71, 0x29, 0x47, 0xDB, 0xE2, 0x64, 0x19}};
// {90F9BC40-1F47-4FC7-8B94-B039CEA2503F}
inline constexpr GUID IID_ISourceSet = {
    0x90F9BC40, 0x1F47, 0x4FC7, {0x8B, 0x94, 0xB0, 0x39, 0xCE, 0xA2, 0x50, 0x3F}};

// The record GetSourceInfo fills; only version is read back.
struct SourceInfo {
  std::uint32_t reserved0 = 0;
  std::uint16_t marker = 0xE0C0;
  std::uint8_t reserved1[14] = {};
  std::uint32_t version = 10;
};
static_assert(sizeof(SourceInfo) == 24);

// The source is usable when the high word of the version it reports is at least 0x0301.
inline bool IsSupportedSourceVersion(std::uint32_t version) { return (version >> 16) >= 0x0301; }

// The first three operations of the host's interface; further ones follow and are never called.
struct ISourceSet : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetOutputMediaType(AM_MEDIA_TYPE* type, INT32 flag) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSourceInfo(SourceInfo* info) = 0;
  virtual HRESULT STDMETHODCALLTYPE PutData(const BYTE* data, INT32 size) = 0;
};

// The PCM audio template: 48 kHz, stereo, 16-bit. Its format block is static and must not be
// freed; copy the record before changing it.
AM_MEDIA_TYPE PcmAudioMediaType();

}  // namespace sonotape
