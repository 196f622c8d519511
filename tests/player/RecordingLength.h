#pragma once
// How long a recording plays, worked out from the file itself: WAV by its data bytes, MP3 by
// its frames, Ogg Vorbis by the granule position of its last page, FLAC by STREAMINFO.

#include <string>

#include "audio/PcmFormat.h"

namespace playertest {

// Seconds of PCM the file holds; format is the recording's format (WAV data start and rate).
double PlayableSeconds(const std::string& path, const sonotape::PcmFormat& format);

}  // namespace playertest
