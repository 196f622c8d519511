#pragma once
// Registration templates and IAMovieSetup's registration. A filter class with a template is
// registered with the platform's filter mapper and as a COM server of this module; a filter
// without one is left alone (S_FALSE).

#include <windows.h>
#include <dshow.h>

#include <memory>
#include <string>

#include "baseclasses/BCCritSec.h"

namespace sonotape {

class TBCUnknown;

struct TBCFilterTemplateEntry {
  std::unique_ptr<TBCFilterTemplateEntry> next;
  std::string name;  // friendly name, in the ANSI code page
  CLSID clsid{};
  GUID category{};
  DWORD merit = 0;
  UINT pinCount = 0;
  const REGFILTERPINS* pins = nullptr;  // setup pin descriptions; not owned
  // The class's CreateFromFactory; null for a class that is registered but not created here.
  TBCUnknown* (*createFromFactory)(const TBCFilterTemplateEntry& entry, IUnknown* owner) = nullptr;
};

// The process's list of templates, emptied when the module unloads.
class TBCFilterTemplate {
 public:
  static TBCFilterTemplate& Instance();

  void Add(std::unique_ptr<TBCFilterTemplateEntry> entry);
  // The first entry for clsid, or null.
  const TBCFilterTemplateEntry* Find(REFCLSID clsid);

 private:
  TBCCritSec lock_;
  std::unique_ptr<TBCFilterTemplateEntry> head_;
};

enum class RegistrationAction { Register, Unregister };

// Registers or unregisters clsid from its template: S_OK when done, S_FALSE for no template,
// no filter mapper or a refused mapper call.
HRESULT RegisterFromTemplate(REFCLSID clsid, RegistrationAction action);

}  // namespace sonotape
