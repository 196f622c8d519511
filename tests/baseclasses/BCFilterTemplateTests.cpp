// Registration through IAMovieSetup against Wine's filter mapper and registry (the bench's
// private prefix).

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCFilterTemplate.h"
#include "baseclasses/TestFilter.h"
#include "graph/ComPtr.h"

namespace {

// {3F1C9B7A-5D2E-4A61-8C0F-2B7E9D4A1C55} and the one following
constexpr GUID kRegisteredFilter = {0x3f1c9b7a, 0x5d2e, 0x4a61, {0x8c, 0x0f, 0x2b, 0x7e, 0x9d, 0x4a, 0x1c, 0x55}};
constexpr GUID kHalfRegisteredFilter = {0x3f1c9b7a, 0x5d2e, 0x4a61, {0x8c, 0x0f, 0x2b, 0x7e, 0x9d, 0x4a, 0x1c, 0x56}};

const REGPINTYPES kTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};
const REGFILTERPINS kPins[] = {
    {const_cast<LPWSTR>(L"Input"), FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kTypes}};

void AddTemplate(const char* name, REFCLSID clsid) {
  auto entry = std::make_unique<sonotape::TBCFilterTemplateEntry>();
  entry->name = name;
  entry->clsid = clsid;
  entry->category = CLSID_LegacyAmFilterCategory;
  entry->merit = MERIT_DO_NOT_USE;
  entry->pinCount = 1;
  entry->pins = kPins;
  sonotape::TBCFilterTemplate::Instance().Add(std::move(entry));
}

class PinlessFilter : public sonotape::TBCBaseFilter {
 public:
  explicit PinlessFilter(REFCLSID clsid)
      : TBCBaseFilter("pinless filter", nullptr, std::make_unique<sonotape::TBCCritSec>(), clsid) {}
  int GetPinCount() override { return 0; }
  sonotape::TBCBasePin* GetPin(int) override { return nullptr; }
};

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

// The default (or named) text value of a key below HKEY_CLASSES_ROOT; empty when missing.
std::wstring ReadText(const std::wstring& path, const wchar_t* name = nullptr) {
  wchar_t value[MAX_PATH] = L"";
  DWORD bytes = sizeof value;
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) {
    return {};
  }
  return value;
}

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Whether the mapper lists clsid in category, read back through the system device enumerator.
bool MapperLists(REFCLSID category, REFCLSID clsid) {
  sonotape::ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              reinterpret_cast<void**>(devices.GetAddressOf())))) {
    ADD_FAILURE() << "no system device enumerator";
    return false;
  }
  sonotape::ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(category, monikers.GetAddressOf(), 0) != S_OK) {
    return false;  // the category is empty
  }
  const std::wstring wanted = GuidText(clsid);
  for (sonotape::ComPtr<IMoniker> moniker; monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    sonotape::ComPtr<IPropertyBag> properties;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void**>(properties.GetAddressOf())))) {
      continue;
    }
    VARIANT value;
    VariantInit(&value);
    const bool match = SUCCEEDED(properties->Read(L"CLSID", &value, nullptr)) && value.vt == VT_BSTR &&
                       _wcsicmp(value.bstrVal, wanted.c_str()) == 0;
    VariantClear(&value);
    if (match) return true;
  }
  return false;
}

class FilterRegistration : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(FilterRegistration, AFilterWithoutATemplateTouchesNothing) {
  sonotape::ComPtr<IBaseFilter> filter(new PinlessFilter(testsupport::CLSID_TestFilter));
  sonotape::ComPtr<IAMovieSetup> setup;
  ASSERT_EQ(sonotape::QueryInto(filter.Get(), IID_IAMovieSetup, setup), S_OK);
  EXPECT_EQ(setup->Register(), S_FALSE);
  EXPECT_FALSE(KeyExists(L"CLSID\\" + GuidText(testsupport::CLSID_TestFilter)));
  EXPECT_EQ(setup->Unregister(), S_FALSE);
}

TEST_F(FilterRegistration, ATemplateRegistersTheFilterWithTheMapperAndAsAServerOfThisModule) {
  AddTemplate("Registered test filter", kRegisteredFilter);

  const std::wstring classKey = L"CLSID\\" + GuidText(kRegisteredFilter);
  const std::wstring instanceKey =
      L"CLSID\\" + GuidText(CLSID_LegacyAmFilterCategory) + L"\\Instance\\" + GuidText(kRegisteredFilter);
  wchar_t module[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);

  PinlessFilter* filter = new PinlessFilter(kRegisteredFilter);
  sonotape::ComPtr<IBaseFilter> ref(filter);
  ASSERT_EQ(filter->Register(), S_OK);
  EXPECT_EQ(ReadText(classKey), L"Registered test filter");
  EXPECT_EQ(ReadText(classKey + L"\\InprocServer32"), module);
  EXPECT_EQ(ReadText(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");
  EXPECT_TRUE(KeyExists(instanceKey));
  EXPECT_TRUE(MapperLists(CLSID_LegacyAmFilterCategory, kRegisteredFilter));

  ASSERT_EQ(filter->Unregister(), S_OK);
  EXPECT_FALSE(KeyExists(classKey));
  EXPECT_FALSE(KeyExists(instanceKey));
  EXPECT_FALSE(MapperLists(CLSID_LegacyAmFilterCategory, kRegisteredFilter));
}

TEST_F(FilterRegistration, WhenTheServerKeysCannotBeWrittenTheMapperEntryIsUndoneToo) {
  AddTemplate("Half registered test filter", kHalfRegisteredFilter);
  // A volatile class key that cannot be removed (it has a subkey) and cannot take the lasting
  // InprocServer32 key below it: the mapper accepts the filter, the COM keys fail.
  const std::wstring classKey = L"CLSID\\" + GuidText(kHalfRegisteredFilter);
  HKEY held = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (classKey + L"\\Held").c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_READ, nullptr, &held, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(held);

  sonotape::ComPtr<IBaseFilter> filter(new PinlessFilter(kHalfRegisteredFilter));
  sonotape::ComPtr<IAMovieSetup> setup;
  ASSERT_EQ(sonotape::QueryInto(filter.Get(), IID_IAMovieSetup, setup), S_OK);
  EXPECT_EQ(setup->Register(), S_FALSE);
  EXPECT_FALSE(MapperLists(CLSID_LegacyAmFilterCategory, kHalfRegisteredFilter));
  EXPECT_FALSE(KeyExists(classKey + L"\\InprocServer32"));

  // Without the obstacle the same template registers.
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(setup->Register(), S_OK);
  EXPECT_TRUE(MapperLists(CLSID_LegacyAmFilterCategory, kHalfRegisteredFilter));
  EXPECT_EQ(setup->Unregister(), S_OK);
}

}  // namespace
