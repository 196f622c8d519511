#include "graph/HostSource.h"

#include <mmreg.h>
#include <uuids.h>

namespace sonotape {

AM_MEDIA_TYPE PcmAudioMediaType() {
  static const WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 0};
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Audio;
  type.subtype = MEDIASUBTYPE_PCM;
  type.bFixedSizeSamples = TRUE;
  type.bTemporalCompression = FALSE;
  type.lSampleSize = 1;
  type.formattype = FORMAT_WaveFormatEx;
  type.pUnk = nullptr;
  type.cbFormat = sizeof(WAVEFORMATEX);
  type.pbFormat = reinterpret_cast<BYTE*>(const_cast<WAVEFORMATEX*>(&format));
  return type;
}

}  // namespace sonotape
