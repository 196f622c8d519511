#pragma once
// Operations on the platform's media type record as the framework uses them. Format blocks
// and heap records belong to the task allocator; pUnk is a counted reference.

#include <windows.h>
#include <strmif.h>

namespace sonotape {

// All zero but lSampleSize 1 and bFixedSizeSamples with all bits set.
AM_MEDIA_TYPE DefaultMediaType();

// A deep copy: a new format block and a reference on pUnk. When the block cannot be allocated
// the copy has none (cbFormat 0) and E_OUTOFMEMORY is answered.
HRESULT CopyMediaType(AM_MEDIA_TYPE& destination, const AM_MEDIA_TYPE& source);
// Frees the format block and releases pUnk, clearing the fields.
void FreeMediaType(AM_MEDIA_TYPE& type);
// FreeMediaType and then the task-allocated record itself; null is allowed.
void DeleteMediaType(AM_MEDIA_TYPE* type);

bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
bool IsPartiallySpecified(const AM_MEDIA_TYPE& type);
bool MatchesPartial(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& partial);

// A task-allocated copy of text for an out parameter.
HRESULT WideStringResult(const wchar_t* text, LPWSTR* out);

// A media type record that owns its format block and pUnk reference.
class TBCMediaType {
 public:
  TBCMediaType() : type_(DefaultMediaType()) {}
  ~TBCMediaType() { FreeMediaType(type_); }
  TBCMediaType(const TBCMediaType&) = delete;
  TBCMediaType& operator=(const TBCMediaType&) = delete;

  // Replaces the record by a deep copy of type.
  HRESULT Set(const AM_MEDIA_TYPE& type);
  const AM_MEDIA_TYPE& Get() const { return type_; }
  AM_MEDIA_TYPE& Get() { return type_; }

 private:
  AM_MEDIA_TYPE type_;
};

}  // namespace sonotape
