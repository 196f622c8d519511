#include "window/VisualStyles.h"

namespace sonotape {

namespace {

constexpr WORD kManifestResource = 2;

}  // namespace

VisualStyles::VisualStyles(HMODULE module) {
  ACTCTXA context{};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.hModule = module;
  context.lpResourceName = MAKEINTRESOURCEA(kManifestResource);
  context_ = CreateActCtxA(&context);
}

VisualStyles::~VisualStyles() {
  if (Available()) {
    ReleaseActCtx(context_);
  }
}

VisualStyles::Scope::Scope(const VisualStyles& styles) {
  active_ = styles.Available() && ActivateActCtx(styles.context_, &cookie_) != FALSE;
}

VisualStyles::Scope::~Scope() {
  if (active_) {
    DeactivateActCtx(0, cookie_);
  }
}

}  // namespace sonotape
