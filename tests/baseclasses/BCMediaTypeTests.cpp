// Media type records with the real task allocator: deep copies, ownership of pUnk, disposal.

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>

#include <gtest/gtest.h>

#include <cstring>

#include "baseclasses/BCMediaType.h"
#include "graph/HostSource.h"

namespace sonotape {
namespace {

struct CountedUnknown : IUnknown {
  LONG count = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
};

TEST(MediaTypeRecord, DefaultHasSampleSizeOneAndAllBitsFixedSize) {
  const AM_MEDIA_TYPE type = DefaultMediaType();
  EXPECT_EQ(type.lSampleSize, 1u);
  EXPECT_EQ(type.bFixedSizeSamples, -1);
  EXPECT_EQ(type.majortype, GUID_NULL);
  EXPECT_EQ(type.cbFormat, 0u);
  EXPECT_EQ(type.pbFormat, nullptr);
  EXPECT_EQ(type.pUnk, nullptr);
}

TEST(MediaTypeRecord, CopyIsDeepAndCountsPUnk) {
  CountedUnknown unknown;
  AM_MEDIA_TYPE source = PcmAudioMediaType();
  source.pUnk = &unknown;
  AM_MEDIA_TYPE copy{};
  ASSERT_EQ(CopyMediaType(copy, source), S_OK);
  EXPECT_NE(copy.pbFormat, source.pbFormat);
  ASSERT_EQ(copy.cbFormat, source.cbFormat);
  EXPECT_EQ(std::memcmp(copy.pbFormat, source.pbFormat, copy.cbFormat), 0);
  EXPECT_EQ(unknown.count, 2);
  EXPECT_TRUE(MediaTypesEqual(copy, source));

  FreeMediaType(copy);
  EXPECT_EQ(unknown.count, 1);
  EXPECT_EQ(copy.pUnk, nullptr);
  EXPECT_EQ(copy.pbFormat, nullptr);
  EXPECT_EQ(copy.cbFormat, 0u);
}

TEST(MediaTypeRecord, ASizedFormatWithoutABlockCopiesAsNoFormat) {
  AM_MEDIA_TYPE source = PcmAudioMediaType();
  source.pbFormat = nullptr;
  AM_MEDIA_TYPE copy{};
  EXPECT_TRUE(FAILED(CopyMediaType(copy, source)));
  EXPECT_EQ(copy.cbFormat, 0u);
  EXPECT_EQ(copy.pbFormat, nullptr);
}

TEST(MediaTypeRecord, DeleteFreesTheHeapRecordAndReleasesPUnk) {
  CountedUnknown unknown;
  DeleteMediaType(nullptr);
  auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  ASSERT_NE(record, nullptr);
  AM_MEDIA_TYPE source = PcmAudioMediaType();
  source.pUnk = &unknown;
  ASSERT_EQ(CopyMediaType(*record, source), S_OK);
  EXPECT_EQ(unknown.count, 2);
  DeleteMediaType(record);
  EXPECT_EQ(unknown.count, 1);
}

TEST(MediaTypeRecord, OwnedRecordReplacesItsCopy) {
  TBCMediaType owned;
  EXPECT_EQ(owned.Get().lSampleSize, 1u);
  ASSERT_EQ(owned.Set(PcmAudioMediaType()), S_OK);
  EXPECT_TRUE(MediaTypesEqual(owned.Get(), PcmAudioMediaType()));
  EXPECT_NE(owned.Get().pbFormat, PcmAudioMediaType().pbFormat);
  ASSERT_EQ(owned.Set(owned.Get()), S_OK);  // self-assignment keeps the record
  EXPECT_TRUE(MediaTypesEqual(owned.Get(), PcmAudioMediaType()));
}

TEST(MediaTypeRecord, PartialMatchingOnRealRecords) {
  AM_MEDIA_TYPE audio{};
  audio.majortype = MEDIATYPE_Audio;
  EXPECT_TRUE(IsPartiallySpecified(audio));
  EXPECT_TRUE(MatchesPartial(PcmAudioMediaType(), audio));
  audio.majortype = MEDIATYPE_Video;
  EXPECT_FALSE(MatchesPartial(PcmAudioMediaType(), audio));
  EXPECT_FALSE(IsPartiallySpecified(PcmAudioMediaType()));
}

TEST(WideStringResult, CopiesIntoTaskMemory) {
  EXPECT_EQ(WideStringResult(L"In", nullptr), E_POINTER);
  LPWSTR text = nullptr;
  ASSERT_EQ(WideStringResult(L"Audio", &text), S_OK);
  EXPECT_STREQ(text, L"Audio");
  CoTaskMemFree(text);
  ASSERT_EQ(WideStringResult(L"", &text), S_OK);
  EXPECT_STREQ(text, L"");
  CoTaskMemFree(text);
}

}  // namespace
}  // namespace sonotape
