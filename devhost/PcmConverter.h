#pragma once
// A PCM-to-PCM pass-through, as hosts put between the decoder and the renderer (a sample-rate
// or channel converter). The plug-in's tap must go in front of it, behind the decoder.

#include <windows.h>
#include <dshow.h>

#include "baseclasses/BCTransInPlaceFilter.h"

namespace devhost {

class TPcmConverter : public sonotape::TBCTransInPlaceFilter {
 public:
  TPcmConverter();

  HRESULT CheckInputType(const AM_MEDIA_TYPE* type) override;
  HRESULT Transform(IMediaSample* /*sample*/) override { return S_OK; }
};

}  // namespace devhost
