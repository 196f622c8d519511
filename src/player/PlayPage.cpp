#include "player/PlayPage.h"

#include <windowsx.h>

#include <initializer_list>
#include <utility>

#include "audio/RecordingText.h"
#include "player/PlayPageRules.h"
#include "ui/ButtonImages.h"
#include "ui/WindowIds.h"

namespace sonotape {

namespace {

constexpr UINT_PTR kSeekBarSubclass = 0x5EEC;
constexpr char kPositionCaption[] = "P&osition:  ";

// The skip buttons' tags: the seek key each one stands for.
struct SkipButton {
  int id;
  unsigned key;
};
constexpr SkipButton kSkipButtons[] = {
    {btnFastRW, skPageUp}, {btnRW, skLeft}, {btnFW, skRight}, {btnFastFW, skPageDown}};

// Enabled exactly while playing.
constexpr int kTransportControls[] = {tbSeek, btnStop, btnFastFW, btnFW, btnRW, btnFastRW};

void SetStaticIcon(HWND control, HIMAGELIST images, int index) {
  HICON icon = index >= 0 ? ImageList_GetIcon(images, index, ILD_NORMAL) : nullptr;
  HICON old = reinterpret_cast<HICON>(SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
  if (old != nullptr) {
    DestroyIcon(old);
  }
}

}  // namespace

PlayPage::~PlayPage() {
  if (seekBar_ == nullptr || !IsWindow(seekBar_)) {
    return;
  }
  RemoveWindowSubclass(seekBar_, SeekBarProc, kSeekBarSubclass);
  HIMAGELIST images = view_.ButtonImages();
  for (int id : {btnPlay, btnStop, btnFastRW, btnRW, btnFW, btnFastFW}) {
    SetButtonGlyph(view_.PlayControl(id), images, -1);
  }
  for (int id : {imVolLow, imVolHigh}) {
    SetStaticIcon(view_.PlayControl(id), images, -1);
  }
}

void PlayPage::Attach() {
  HIMAGELIST images = view_.ButtonImages();
  SetButtonGlyph(view_.PlayControl(btnPlay), images, imgPlay);
  SetButtonGlyph(view_.PlayControl(btnStop), images, imgPlayStop);
  for (const auto& [id, image] : {std::pair{btnFastRW, imgFastRW}, std::pair{btnRW, imgRW}, std::pair{btnFW, imgFW},
                                  std::pair{btnFastFW, imgFastFW}}) {
    SetButtonGlyph(view_.PlayControl(id), images, image);
  }
  SetStaticIcon(view_.PlayControl(imVolLow), images, imgVolLow);
  SetStaticIcon(view_.PlayControl(imVolHigh), images, imgVolHigh);
  seekBar_ = view_.PlayControl(tbSeek);
  SetWindowSubclass(seekBar_, SeekBarProc, kSeekBarSubclass, reinterpret_cast<DWORD_PTR>(this));
}

void PlayPage::btnPlayClick() {
  if (Playing()) {
    SetPaused((playerState_ & pfPaused) == 0);
  } else {
    SetPlaying(true);
  }
}

void PlayPage::SetPlaying(bool on) {
  if (Playing() == on) {
    return;
  }
  if (on) {
    savedHostVolume_ = view_.SetHostVolume(-10000, &savedVolumeKnown_);
    const RecordedFile file = view_.PlayFile();
    if (!player_.Open(file.fileName, file.format, view_.EventWindow())) {
      RestoreHostVolume();
      view_.ShowError(player_.TakeErrorText());
      return;
    }
    playerState_ = pfPlaying;
    player_.SetVolume(static_cast<std::int32_t>(SendMessageA(view_.PlayControl(tbVolume), TBM_GETPOS, 0, 0)));
    view_.EnableUpdateTimer();
  } else {
    player_.Close();
    view_.RunUpdateRoutine();
    playerState_ = 0;
    RestoreHostVolume();
  }
  for (int id : kTransportControls) {
    EnableWindow(view_.PlayControl(id), on ? TRUE : FALSE);
  }
  ShowPlayButton();
}

void PlayPage::SetPaused(bool on) {
  if (((playerState_ & pfPaused) != 0) != on) {
    if (on ? player_.Pause() : player_.Resume()) {
      playerState_ = on ? (playerState_ | pfPaused) : (playerState_ & ~pfPaused);
    }
  }
  ShowPlayButton();
}

// A host whose volume could not be read before it was muted gets full volume back, unless a
// graph handed over meanwhile told its own.
void PlayPage::RestoreHostVolume() { view_.SetHostVolume(savedVolumeKnown_ ? savedHostVolume_ : 0, nullptr); }

void PlayPage::ShowPlayButton() {
  HWND button = view_.PlayControl(btnPlay);
  SetButtonGlyph(button, view_.ButtonImages(), -1);
  if (playerState_ == 0 || playerState_ == (pfPlaying | pfPaused)) {
    SetButtonGlyph(button, view_.ButtonImages(), imgPlay);
    SetWindowTextA(button, "P&lay");
  } else if (playerState_ == pfPlaying) {
    SetButtonGlyph(button, view_.ButtonImages(), imgPause);
    SetWindowTextA(button, "P&ause");
  }
}

void PlayPage::HostGraphChanged() {
  if (!Playing()) {
    return;  // playback ended before this arrived, and the host has its volume back
  }
  bool known = false;
  const long previous = view_.SetHostVolume(-10000, &known);
  if (!savedVolumeKnown_ && known) {
    savedHostVolume_ = previous;
    savedVolumeKnown_ = true;
  }
}

void PlayPage::OnGraphEvent() {
  IMediaEventEx* events = player_.Events();
  if (events == nullptr) {
    return;
  }
  bool ended = false;
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (SUCCEEDED(events->GetEvent(&code, &first, &second, 0))) {
    events->FreeEventParams(code, first, second);
    ended = ended || code == EC_COMPLETE || code == EC_ERRORABORT;
  }
  if (ended) {
    StopWithPlayersText();
  }
}

// Playback off, then why it ended when the player says so (a plain end leaves no text).
void PlayPage::StopWithPlayersText() {
  const std::string text = player_.TakeErrorText();
  SetPlaying(false);
  view_.ShowError(text);
}

void PlayPage::ShowPosition() {
  if (!Playing() || (playerState_ & pfSeeking) != 0) {
    return;
  }
  const double position = player_.GetPosition();
  ShowPositionText(position);
  if (const auto bar = BarFromPosition(position, view_.RecordedSeconds())) {
    SetBar(*bar);
  }
}

void PlayPage::ShowPositionText(double seconds) {
  SetWindowTextA(view_.PlayControl(lblPosition), (kPositionCaption + FormatDuration(seconds)).c_str());
}

int PlayPage::Bar() const { return static_cast<int>(SendMessageA(seekBar_, TBM_GETPOS, 0, 0)); }

void PlayPage::SetBar(int position) { SendMessageA(seekBar_, TBM_SETPOS, TRUE, position); }

void PlayPage::SetBarFromMouse(int x) {
  RECT thumb{}, channel{};
  SendMessageA(seekBar_, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  SendMessageA(seekBar_, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  SetBar(BarFromMouse(x, thumb.left, thumb.right, channel.left, channel.right));
  ShowPositionText(SecondsAtBar(Bar(), view_.RecordedSeconds()));
}

void PlayPage::tbSeekMouseDown(int x) {
  if (!Playing()) {
    return;
  }
  SetBarFromMouse(x);
  playerState_ |= pfSeeking;
}

void PlayPage::tbSeekMouseMove(int x) {
  if ((playerState_ & pfSeeking) != 0) {
    SetBarFromMouse(x);
  }
}

void PlayPage::tbSeekMouseUp() {
  playerState_ &= ~pfSeeking;
  if (Playing()) {
    SeekToBar();
  }
}

void PlayPage::SeekToBar() {
  const double length = view_.RecordedSeconds();
  if (player_.Seek(length, SecondsAtBar(Bar(), length))) {
    view_.RunUpdateRoutine();
  } else {
    StopWithPlayersText();  // the player stays stopped: nothing would end this playback
  }
}

bool PlayPage::tbSeekKeyDown(unsigned key) {
  if (!Playing()) {
    return false;
  }
  const auto bar = BarAfterKey(key, Bar(), view_.RecordedSeconds());
  if (!bar) {
    return false;
  }
  SetBar(*bar);
  SeekToBar();
  return true;
}

void PlayPage::frmSkipClick(int buttonId) {
  for (const SkipButton& skip : kSkipButtons) {
    if (skip.id == buttonId) {
      tbSeekKeyDown(skip.key);
    }
  }
}

void PlayPage::TbVolumeOnChange() {
  HWND volume = view_.PlayControl(tbVolume);
  if (Playing()) {
    player_.SetVolume(static_cast<std::int32_t>(SendMessageA(volume, TBM_GETPOS, 0, 0)));
  }
  view_.SettingsChanged(volume);
}

void PlayPage::frmOnMouseWheel(int delta) {
  if (!view_.PlayPageShown()) {
    return;
  }
  HWND volume = view_.PlayControl(tbVolume);
  SendMessageA(volume, TBM_SETPOS, TRUE, SendMessageA(volume, TBM_GETPOS, 0, 0) + delta);
  TbVolumeOnChange();
}

// The seek bar's own handling first, as it moves the thumb and takes the focus; the page's
// arithmetic then puts the bar where the mouse is. The right button seeks as well.
LRESULT CALLBACK PlayPage::SeekBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data) {
  PlayPage& page = *reinterpret_cast<PlayPage*>(data);
  switch (message) {
    case WM_KEYDOWN:
      return page.tbSeekKeyDown(static_cast<unsigned>(wParam)) ? 0 : DefSubclassProc(bar, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
      const LRESULT result = DefSubclassProc(bar, message, wParam, lParam);
      if (page.Playing() && GetCapture() != bar) {
        SetCapture(bar);  // the release comes here wherever the mouse goes
      }
      page.tbSeekMouseDown(GET_X_LPARAM(lParam));
      return result;
    }
    case WM_MOUSEMOVE: {
      const LRESULT result = DefSubclassProc(bar, message, wParam, lParam);
      page.tbSeekMouseMove(GET_X_LPARAM(lParam));
      return result;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      const LRESULT result = DefSubclassProc(bar, message, wParam, lParam);
      if (GetCapture() == bar) {
        ReleaseCapture();
      }
      page.tbSeekMouseUp();
      return result;
    }
    default:
      return DefSubclassProc(bar, message, wParam, lParam);
  }
}

}  // namespace sonotape
