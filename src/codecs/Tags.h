#pragma once
// The tags of the compressed formats: Vorbis comments (Ogg Vorbis and FLAC) and the ID3v2.3 tag
// before an MP3 file's first frame; and the length of an ID3v2 tag a file starts with.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/RecordingTags.h"

namespace sonotape {

// "KEY=value" in UTF-8 for each field that has a value: TITLE, ARTIST, DATE (ISO 8601), ENCODER;
// malformed UTF-8 in a value is replaced, as in the ID3 tag.
std::vector<std::string> VorbisComments(const RecordingTags& tags);

// An ID3v2.3 tag with TIT2, TPE1, TYER, TDAT and TSSE; each text in ISO-8859-1 where it fits,
// otherwise in UTF-16 with a byte order mark.
std::vector<std::uint8_t> Id3v2Tag(const RecordingTags& tags);

inline constexpr std::size_t kId3v2HeaderSize = 10;

// The bytes an ID3v2 tag takes, its header and any footer included, when data (the first bytes of
// a file) starts with a valid tag header; otherwise 0.
std::uint64_t Id3v2TagLength(const std::uint8_t* data, std::size_t size);

}  // namespace sonotape
