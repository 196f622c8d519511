#include "baseclasses/BCFilterTemplate.h"

#include <string>

#include "graph/ComPtr.h"

namespace sonotape {

TBCFilterTemplate& TBCFilterTemplate::Instance() {
  static TBCFilterTemplate list;
  return list;
}

void TBCFilterTemplate::Add(std::unique_ptr<TBCFilterTemplateEntry> entry) {
  TBCAutoLock lock(lock_);
  entry->next = std::move(head_);
  head_ = std::move(entry);
}

const TBCFilterTemplateEntry* TBCFilterTemplate::Find(REFCLSID clsid) {
  TBCAutoLock lock(lock_);
  for (const TBCFilterTemplateEntry* entry = head_.get(); entry != nullptr; entry = entry->next.get()) {
    if (entry->clsid == clsid) {
      return entry;
    }
  }
  return nullptr;
}

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) {
    return {};
  }
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::wstring ClassKey(REFCLSID clsid) {
  wchar_t text[40];
  StringFromGUID2(clsid, text, 40);
  return std::wstring(L"CLSID\\") + text;
}

std::wstring ServerKey(REFCLSID clsid) { return ClassKey(clsid) + L"\\InprocServer32"; }

bool SetText(HKEY key, const wchar_t* valueName, const std::wstring& value) {
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
         ERROR_SUCCESS;
}

bool WriteKey(const std::wstring& path, const wchar_t* valueName, const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const bool written = SetText(key, valueName, value);
  RegCloseKey(key);
  return written;
}

// The file of the module this code lives in; empty when it cannot be told in full.
std::wstring ModulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&ModulePath), &module)) {
    return {};
  }
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

void RemoveServerKeys(REFCLSID clsid) {
  RegDeleteKeyW(HKEY_CLASSES_ROOT, ServerKey(clsid).c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, ClassKey(clsid).c_str());
}

bool WriteServerKeys(const TBCFilterTemplateEntry& entry) {
  const std::wstring path = ModulePath();
  return !path.empty() && WriteKey(ClassKey(entry.clsid), nullptr, Widen(entry.name)) &&
         WriteKey(ServerKey(entry.clsid), nullptr, path) && WriteKey(ServerKey(entry.clsid), L"ThreadingModel", L"Both");
}

bool UseMapper2(IFilterMapper2& mapper, const TBCFilterTemplateEntry& entry, RegistrationAction action) {
  const HRESULT removed = mapper.UnregisterFilter(&entry.category, nullptr, entry.clsid);
  if (action == RegistrationAction::Unregister) {
    return SUCCEEDED(removed);
  }
  REGFILTER2 filter{};
  filter.dwVersion = 1;
  filter.dwMerit = entry.merit;
  filter.cPins = entry.pinCount;
  filter.rgPins = entry.pins;
  return SUCCEEDED(
      mapper.RegisterFilter(entry.clsid, Widen(entry.name).c_str(), nullptr, &entry.category, nullptr, &filter));
}

bool RegisterPins(IFilterMapper& mapper, const TBCFilterTemplateEntry& entry) {
  for (UINT i = 0; i < entry.pinCount; ++i) {
    const REGFILTERPINS& pin = entry.pins[i];
    const CLSID connectsTo = pin.clsConnectsToFilter != nullptr ? *pin.clsConnectsToFilter : GUID_NULL;
    if (FAILED(mapper.RegisterPin(entry.clsid, pin.strName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                                  connectsTo, pin.strConnectsToPin))) {
      return false;
    }
    for (UINT t = 0; t < pin.nMediaTypes; ++t) {
      if (FAILED(mapper.RegisterPinType(entry.clsid, pin.strName, *pin.lpMediaType[t].clsMajorType,
                                        *pin.lpMediaType[t].clsMinorType))) {
        return false;
      }
    }
  }
  return true;
}

bool UseMapper(IFilterMapper& mapper, const TBCFilterTemplateEntry& entry, RegistrationAction action) {
  const HRESULT removed = mapper.UnregisterFilter(entry.clsid);
  if (action == RegistrationAction::Unregister) {
    return SUCCEEDED(removed);
  }
  return SUCCEEDED(mapper.RegisterFilter(entry.clsid, Widen(entry.name).c_str(), entry.merit)) &&
         RegisterPins(mapper, entry);
}

bool ApplyTemplate(const TBCFilterTemplateEntry& entry, RegistrationAction action) {
  ComPtr<IFilterMapper2> mapper2;
  ComPtr<IFilterMapper> mapper;
  if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              reinterpret_cast<void**>(mapper2.GetAddressOf()))) &&
      FAILED(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                              reinterpret_cast<void**>(mapper.GetAddressOf())))) {
    return false;
  }
  const auto useMapper = [&](RegistrationAction step) {
    return mapper2 ? UseMapper2(*mapper2.Get(), entry, step) : UseMapper(*mapper.Get(), entry, step);
  };
  RemoveServerKeys(entry.clsid);
  if (!useMapper(action)) {
    return false;
  }
  if (action == RegistrationAction::Unregister) {
    RemoveServerKeys(entry.clsid);
    return true;
  }
  // A filter the mapper lists but COM cannot create is not registered: neither half-written keys
  // nor the mapper's entry stay. The registration has failed whether or not the undoing works.
  if (!WriteServerKeys(entry)) {
    RemoveServerKeys(entry.clsid);
    useMapper(RegistrationAction::Unregister);
    return false;
  }
  return true;
}

}  // namespace

HRESULT RegisterFromTemplate(REFCLSID clsid, RegistrationAction action) {
  const HRESULT initialised = CoInitialize(nullptr);
  HRESULT result = S_FALSE;
  try {
    const TBCFilterTemplateEntry* entry = TBCFilterTemplate::Instance().Find(clsid);
    if (entry != nullptr && ApplyTemplate(*entry, action)) {
      result = S_OK;
    }
  } catch (...) {
    result = S_FALSE;  // out of memory for the key texts
  }
  CoFreeUnusedLibraries();
  if (SUCCEEDED(initialised)) {
    CoUninitialize();  // only a call that initialised is balanced
  }
  return result;
}

}  // namespace sonotape
