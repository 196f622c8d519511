#pragma once
// FLAC's speaker positions: the layout a channel count stands for, and the Vorbis comment that
// names other positions ("WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x0603"), written and read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "audio/PcmFormat.h"

namespace sonotape {

// The WAVE channel mask of FLAC's layout for 1 to 8 channels (FL FR FC LFE SL SR for 6); 0 for
// other counts.
std::uint32_t FlacDefaultChannelMask(unsigned channels);

// The comment naming the input's speaker positions, or empty when FLAC's default order for its
// channel count (or no mask) says the same.
std::string FlacChannelMaskComment(const PcmFormat& format);

// The mask a comment names (its name in any case, the value in hexadecimal after "0x"); none
// for any other comment or a value that is no mask.
std::optional<std::uint32_t> FlacChannelMaskOfComment(std::string_view comment);

}  // namespace sonotape
