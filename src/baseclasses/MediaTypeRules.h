#pragma once
// How media type records compare, independent of the platform's record and allocator: the
// rules by which pins match a candidate type against a full or partial one.

#include <array>
#include <cstdint>

namespace sonotape {

using GuidBytes = std::array<std::uint8_t, 16>;

// The fields of a media type record that the rules read.
struct MediaTypeView {
  GuidBytes majorType{};
  GuidBytes subType{};
  GuidBytes formatType{};
  std::uint32_t formatSize = 0;
  const std::uint8_t* format = nullptr;
};

// Same major type, subtype and format type, and byte-identical format blocks.
bool MediaTypesEqual(const MediaTypeView& a, const MediaTypeView& b);

// Major type or format type left open (null).
bool IsPartiallySpecified(const MediaTypeView& type);

// The candidate fits every field the partial type fixes: major type and subtype where they are
// set; with a format type set, also the same format type and a byte-identical format block.
bool MatchesPartial(const MediaTypeView& candidate, const MediaTypeView& partial);

}  // namespace sonotape
