#include "settings/ControlMeasure.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "settings/FormGeometry.h"

namespace sonotape {

namespace {

// Lengths at 96 DPI around a caption.
constexpr int kCheckBox = 13;      // the box of a check box or radio button
constexpr int kCheckGlyph = 20;    // that box and the gap after it
constexpr int kFocusMargin = 2;    // room for the focus rectangle around a caption
constexpr int kButtonMargin = 6;   // a push button's edge and padding, each side
constexpr int kGlyphGap = 4;       // between a button's image and its caption
constexpr int kFieldMargin = 8;    // added to the text's height in an edit field or a push button
constexpr int kListMargin = 10;    // beside the text of a drop-down list

// A device context with the control's font selected, for measuring text.
class TextMeasure {
 public:
  explicit TextMeasure(HWND control)
      : control_(control),
        dc_(GetDC(control)),
        old_(dc_ != nullptr ? SelectObject(dc_, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)))
                            : nullptr) {
    TEXTMETRICA metrics{};
    if (dc_ != nullptr && GetTextMetricsA(dc_, &metrics)) height_ = metrics.tmHeight;
  }
  ~TextMeasure() {
    if (dc_ == nullptr) return;
    if (old_ != nullptr) SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  // The width of a one-line caption as a control draws it (an ampersand marks the mnemonic).
  int Width(const char* caption) const {
    RECT rect{0, 0, 0, 0};
    if (dc_ == nullptr || caption == nullptr || *caption == '\0') return 0;
    DrawTextA(dc_, caption, -1, &rect, DT_CALCRECT | DT_SINGLELINE);
    return rect.right - rect.left;
  }
  int Widest(std::span<const char* const> captions) const {
    int widest = 0;
    for (const char* caption : captions) widest = std::max(widest, Width(caption));
    return widest;
  }
  int Height() const { return height_; }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_;
  int height_ = 0;
};

bool IsClass(HWND control, const char* name) {
  char className[32] = "";
  GetClassNameA(control, className, sizeof className);
  return lstrcmpiA(className, name) == 0;
}

int WidestItem(HWND list, const TextMeasure& text) {
  int widest = 0;
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == CB_ERR) continue;
    std::string item(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    widest = std::max(widest, text.Width(item.c_str()));
  }
  return widest;
}

ControlNeed MeasureButton(DWORD style, std::span<const char* const> captions, int glyphSize, int dpi,
                          const TextMeasure& text) {
  const auto scaled = [dpi](int length) { return ScaleRounded(length, dpi, kDesignDpi); };
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return {scaled(kCheckGlyph) + text.Widest(captions) + scaled(kFocusMargin),
              std::max(text.Height(), scaled(kCheckBox)) + scaled(kFocusMargin) * 2, -1};
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: {
      if ((style & (BS_ICON | BS_BITMAP)) != 0) return {0, 0, -1};
      const int image = glyphSize > 0 ? glyphSize + scaled(kGlyphGap) : 0;
      return {image + text.Widest(captions) + scaled(kButtonMargin) * 2,
              std::max(text.Height(), glyphSize) + scaled(kFieldMargin), -1};
    }
    default:
      return {0, 0, -1};
  }
}

}  // namespace

ControlNeed MeasureControl(HWND control, std::span<const char* const> captions, int glyphSize, int dpi) {
  if (control == nullptr) return {0, 0, -1};
  const TextMeasure text(control);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
  const auto scaled = [dpi](int length) { return ScaleRounded(length, dpi, kDesignDpi); };
  if (IsClass(control, "Static")) {
    const DWORD kind = style & SS_TYPEMASK;
    if (kind == SS_ICON || kind == SS_BITMAP) return {0, 0, -1};
    return {text.Widest(captions), text.Height(), -1};
  }
  if (IsClass(control, "Button")) return MeasureButton(style, captions, glyphSize, dpi, text);
  if (IsClass(control, "Edit")) return {0, text.Height() + scaled(kFieldMargin), -1};
  if (IsClass(control, "ComboBox")) {
    RECT closed{};
    GetWindowRect(control, &closed);  // a drop-down list keeps its closed height as its own
    return {WidestItem(control, text) + GetSystemMetrics(SM_CXVSCROLL) + scaled(kListMargin),
            closed.bottom - closed.top, -1};
  }
  if (IsClass(control, TRACKBAR_CLASSA)) {
    RECT thumb{};
    SendMessageA(control, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    return {0, 0, thumb.bottom > thumb.top ? (thumb.top + thumb.bottom) / 2 : -1};
  }
  return {0, 0, -1};
}

int CaptionWidth(HWND control, const char* caption) { return TextMeasure(control).Width(caption); }

}  // namespace sonotape
