#include "PcmConverter.h"

#include <uuids.h>

namespace devhost {

namespace {

// {0B6E2D41-7C38-4F5A-A1E9-3D9C62F0B514}
constexpr GUID CLSID_DevHostPcmConverter = {0x0B6E2D41, 0x7C38, 0x4F5A, {0xA1, 0xE9, 0x3D, 0x9C, 0x62, 0xF0, 0xB5, 0x14}};

}  // namespace

TPcmConverter::TPcmConverter() : TBCTransInPlaceFilter("PCM converter", nullptr, CLSID_DevHostPcmConverter, false) {}

HRESULT TPcmConverter::CheckInputType(const AM_MEDIA_TYPE* type) {
  const bool pcm = type->majortype == MEDIATYPE_Audio &&
                   (type->subtype == MEDIASUBTYPE_PCM || type->subtype == MEDIASUBTYPE_IEEE_FLOAT) &&
                   type->formattype == FORMAT_WaveFormatEx;
  return pcm ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

}  // namespace devhost
