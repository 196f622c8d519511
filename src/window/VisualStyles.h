#pragma once
// The plug-in's own activation context: its windows get common controls 6 (themed controls,
// images on buttons) whatever the host process uses.

#include <windows.h>

namespace sonotape {

class VisualStyles {
 public:
  // The manifest resource of the module; without one (or on failure) nothing is activated.
  explicit VisualStyles(HMODULE module);
  ~VisualStyles();
  VisualStyles(const VisualStyles&) = delete;
  VisualStyles& operator=(const VisualStyles&) = delete;

  bool Available() const { return context_ != INVALID_HANDLE_VALUE; }

  // Active while it lives: controls created meanwhile are of common controls 6.
  class Scope {
   public:
    explicit Scope(const VisualStyles& styles);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
  };

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
};

}  // namespace sonotape
