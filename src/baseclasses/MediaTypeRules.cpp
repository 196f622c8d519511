#include "baseclasses/MediaTypeRules.h"

#include <cstring>

namespace sonotape {

namespace {

constexpr GuidBytes kNullGuid{};

bool SameFormat(const MediaTypeView& a, const MediaTypeView& b) {
  if (a.formatType != b.formatType || a.formatSize != b.formatSize) {
    return false;
  }
  if (a.formatSize == 0) {
    return true;
  }
  return a.format != nullptr && b.format != nullptr && std::memcmp(a.format, b.format, a.formatSize) == 0;
}

}  // namespace

bool MediaTypesEqual(const MediaTypeView& a, const MediaTypeView& b) {
  return a.majorType == b.majorType && a.subType == b.subType && SameFormat(a, b);
}

bool IsPartiallySpecified(const MediaTypeView& type) {
  return type.majorType == kNullGuid || type.formatType == kNullGuid;
}

bool MatchesPartial(const MediaTypeView& candidate, const MediaTypeView& partial) {
  if (partial.majorType != kNullGuid && partial.majorType != candidate.majorType) {
    return false;
  }
  if (partial.subType != kNullGuid && partial.subType != candidate.subType) {
    return false;
  }
  return partial.formatType == kNullGuid || SameFormat(candidate, partial);
}

}  // namespace sonotape
