#include "window/SonotapeWindow.h"

#include <commctrl.h>

#include <new>

#include "audio/RecordingText.h"
#include "host/HostMessages.h"
#include "ui/ButtonImages.h"
#include "ui/WindowIds.h"
#include "window/ButtonGlyphs.h"
#include "window/MeterControls.h"
#include "window/PageLayout.h"
#include "window/PageTabs.h"
#include "window/WindowLayout.h"

namespace sonotape {

namespace {

constexpr COLORREF kWarningColour = RGB(192, 0, 0);

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UserDecimalSeparator() {
  char separator[8] = "";
  return GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) > 0 ? separator : ".";
}

// The wheel turns for the whole window, whichever control has the focus.
LRESULT CALLBACK WheelToWindow(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR owner) {
  if (message == WM_MOUSEWHEEL) {
    return SendMessageA(reinterpret_cast<HWND>(owner), message, wParam, lParam);
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

TfrmSonotape::TfrmSonotape(HINSTANCE module, std::unique_ptr<TMyIniFile> ini)
    : TPluginBaseForm(module, "frmSonotape", true), styles_(module), ini_(std::move(ini)) {}

TfrmSonotape::~TfrmSonotape() {
  if (recorder_) {
    recorder_->StopRecording();
  }
  if (playPage_) {
    playPage_->StopPlayback();
    playPage_.reset();
  }
  player_.reset();  // wakes and joins the worker
  SaveWindowState();
  if (window_ != nullptr) {
    DestroyWindow(window_);  // here, while the handlers' members still live
  }
  recorder_.reset();
}

void TfrmSonotape::SaveWindowState() {
  if (!ini_ || window_ == nullptr) {
    return;
  }
  try {
    settings_.SaveAtClose();
    ini_->SaveFormBounds(*this);
    ini_->WriteInteger("General", "Version", kInterfaceVersion);
  } catch (...) {
    // the final writes may fail; the window goes all the same
  }
  ini_.reset();
}

const char* TfrmSonotape::ControlName(int id) const {
  const ControlEntry* entry = FindControlEntry(id);
  return entry != nullptr ? entry->name : "";
}

bool TfrmSonotape::Create(HWND owner) {
  const VisualStyles::Scope styles(styles_);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  recorder_.reset(new (std::nothrow) Recorder(*this));
  if (recorder_) {
    hostEvents_.reset(new (std::nothrow) HostEvents(*this, *recorder_));
    meters_.reset(new (std::nothrow) LevelMeters(*this, *recorder_));
  }
  player_ = TAudioPlayer::Create();
  if (player_) {
    playPage_.reset(new (std::nothrow) PlayPage(*this, *player_));
  }
  if (!hostEvents_ || !meters_ || !playPage_ || !RegisterMeterClasses(module_)) {
    return false;
  }
  constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  if (!CreateForm(kClassName, kCaption, kStyle, 0, kDesignClient, kWindowConstraints, owner)) {
    return false;
  }
  SetSnap(true);
  CreateControls();
  if (ini_) {
    ini_->RestoreFormBounds(*this);
  }
  settings_.LoadSettings();
  RecorderStateChanged();
  return true;
}

void TfrmSonotape::CreateControls() {
  HWND tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP, 0,
                              0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(idTabs)), module_, nullptr);
  SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  SetWindowSubclass(tabs, WheelToWindow, 2, reinterpret_cast<DWORD_PTR>(window_));
  for (const ControlEntry& entry : WindowControls()) {
    // At their least size, in which a track bar shows where its slider lies.
    HWND control = CreateWindowExA(0, entry.className, entry.text, entry.style, 0, 0, Scale(entry.leastWidth),
                                   Scale(entry.leastHeight), window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), module_, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    SetWindowSubclass(control, WheelToWindow, 2, reinterpret_cast<DWORD_PTR>(window_));
    SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // the table's order
  }
  // Under the pages' controls, which it would cover, and so last in the tab order.
  SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  settings_.FillLists();
  SendMessageA(Control(edFilename), EM_LIMITTEXT, 100, 0);
  buttons_.Reset(CreateButtonGlyphs(Scale(kGlyphSize)));
  SendMessageA(tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(buttons_.Get()));
  SetButtonGlyph(Control(btnRecord), buttons_.Get(), imgRecord);
  SetButtonGlyph(Control(btnPause), buttons_.Get(), imgPlay);
  playPage_->Attach();
  RequireClient(NeededClientSize(*this));  // before the tabs go in: it measures every page's tab
  UpdateTabs();
  settings_.UpdateNaming();
  LayOutPages(*this);
  pageBrush_.Reset(CreateSolidBrush(TabBodyColour(tabs)));
}

void TfrmSonotape::ShowPage(int page) {
  for (const ControlEntry& entry : WindowControls()) {
    ShowWindow(Control(entry.id), entry.page == page ? SW_SHOW : SW_HIDE);
  }
}

// The tabs of the pages that apply: the MP3 pages for MP3, the Ogg page for Ogg Vorbis, the FLAC
// page for FLAC, the Play page once a recording was started. The page shown stays when it still
// applies.
void TfrmSonotape::UpdateTabs() {
  const LRESULT format = RecordAsSelection();
  const bool visible[kPageCount] = {true,           format == rfMp3,  format == rfMp3,
                                    format == rfOgg, format == rfFlac, playShown_};
  ShowPage(SetPageTabs(Control(idTabs), visible));
}

void TfrmSonotape::SetText(int id, const std::string& text) { SetWindowTextA(Control(id), text.c_str()); }

bool TfrmSonotape::Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TfrmSonotape::Show() {
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
}

void TfrmSonotape::NameByDateTime() {
  SendMessageA(Control(cbAutoCreate), BM_SETCHECK, BST_CHECKED, 0);
  settings_.UpdateNaming();
}

std::string TfrmSonotape::QueryHostChannelName() { return MakeFileNameSafe(HostChannel()); }

std::string TfrmSonotape::HostChannel() {
  struct {
    INT32 index;
    const char* name;
  } channel{-1, nullptr};
  if (hostWindow_ != nullptr) {
    SendMessageA(hostWindow_, HostCommandMessage, kHostChannelName, reinterpret_cast<LPARAM>(&channel));
  }
  return channel.index != -1 && channel.name != nullptr ? std::string(channel.name) : std::string();
}

void TfrmSonotape::StayConnectedClick() {
  ConnectTapIfWanted();
  EnableWindow(Control(btnSave), TRUE);
}

void TfrmSonotape::ConnectTapIfWanted() {
  if ((Checked(cbStayConnected) || recorder_->PreRecordSeconds() > 0) && recorder_->Graph() != nullptr) {
    recorder_->ConnectTap(Failures::kQuiet);
  }
}

void TfrmSonotape::SetPreRecordSeconds(unsigned seconds) {
  recorder_->SetPreRecordSeconds(seconds);
  ConnectTapIfWanted();
  ShowPreRecordState();
}

void TfrmSonotape::ShowPreRecordState() {
  const Recorder::PreRecordState state = recorder_->PreRecording();
  if (state.seconds == preRecordShown_.seconds && state.failed == preRecordShown_.failed) {
    return;
  }
  preRecordShown_ = state;
  const bool capped = state.seconds > 0 && state.seconds < recorder_->PreRecordSeconds();
  SetText(lblPreRecordSeconds, capped ? std::to_string(state.seconds) + " s" : "");
  ShowRecordStatus();  // a failure shows there
}

void TfrmSonotape::ShowMeterCount(unsigned count) { ShowMeters(Control(pnlMeters), count); }

void TfrmSonotape::ShowMeter(unsigned channel, const MeterReading& reading) {
  SetMeterReading(MeterOf(Control(pnlMeters), channel), reading);
}

void TfrmSonotape::UpdateMeterTimer(bool windowShown) {
  if (windowShown && SelectedPage(Control(idTabs)) == kGeneralPage) {
    SetTimer(window_, tmrMeters, kMeterInterval, nullptr);
  } else {
    KillTimer(window_, tmrMeters);
  }
}

bool TfrmSonotape::AttachGraph(IFilterGraph* graph) {
  ComPtr<IGraphBuilder> builder;
  if (graph != nullptr) {
    QueryInto(graph, IID_IGraphBuilder, builder);
  }
  recorder_->AttachGraph(builder.Get());
  if (builder) {
    ConnectTapIfWanted();
    if (playPage_->Playing()) {
      PostMessageA(window_, WM_RECORDER_NOTIFY, kNoticeMuteHost, 0);
    }
    SetText(edFilename, QueryHostChannelName());
  }
  EnableWindow(Control(btnRecord), builder ? TRUE : FALSE);
  ShowRecordStatus();  // the time left on disk at the connected format's rate
  return static_cast<bool>(builder);
}

void TfrmSonotape::DetachGraph() {
  recorder_->DetachGraph();
  EnableWindow(Control(btnRecord), FALSE);
}

int TfrmSonotape::ShowMessage(const std::string& text, unsigned flags) {
  return MessageBoxA(window_, text.c_str(), "Sonotape Plugin", flags);
}

void TfrmSonotape::RecorderStateChanged() {
  const std::uint8_t state = recorder_->State();
  const bool on = (state & rsRecording) != 0;
  SetText(btnRecord, on ? "&Stop" : "&Start");
  SetButtonGlyph(Control(btnRecord), buttons_.Get(), on ? imgStop : imgRecord);
  ShowRecordStatus();
  EnableWindow(Control(btnPause), on ? TRUE : FALSE);
  for (int id : {cbStayConnected, cbRecordAs, edFilename}) {
    EnableWindow(Control(id), on ? FALSE : TRUE);
  }
  if (pluginMenu_ != nullptr) {
    CheckMenuItem(pluginMenu_, kMenuItemId, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  }
  if (on) {
    SetTimer(window_, tmrUpdate, kTimerInterval, nullptr);
    const OutputName name = recorder_->LastName();
    SetText(edFilename, name.shownName);
    SetText(edOutput, name.shownFolder);
    if (!playShown_) {
      playShown_ = true;
      UpdateTabs();
    }
  } else {
    hostEvents_->RecordingStopped();
  }
  if (state == (rsRecording | rsPaused)) {
    SetText(btnPause, "&Continue");
    SetButtonGlyph(Control(btnPause), buttons_.Get(), imgContinue);
    SetWindowTextA(window_, "Sonotape 4.0 (Rec Pause)");
  } else if (state == rsRecording) {
    SetText(btnPause, "Rec &Pause");
    SetButtonGlyph(Control(btnPause), buttons_.Get(), imgPause);
    SetWindowTextA(window_, ("Rec: " + FileNamePart(recorder_->LastName().fileName)).c_str());
  } else {
    SetText(btnPause, "Rec &Pause");
    SetButtonGlyph(Control(btnPause), buttons_.Get(), -1);
    SetWindowTextA(window_, kCaption);
  }
  ShowRecordingStats(recorder_->ReadRecordingStats());
}

void TfrmSonotape::ShowRecordingStats(const RecordingStats& stats) {
  const std::string length = "Length:  " + FormatDuration(stats.seconds);
  SetText(lblLength, length);
  SetText(lblLengthGen, length);
  SetText(lblFileSize, FormatWrittenSize(stats.bytes, UserDecimalSeparator()));
}

void TfrmSonotape::PostNewFile() { PostMessageA(window_, WM_RECORDER_NOTIFY, kNoticeNewFile, 0); }

void TfrmSonotape::PostWriteFailure() { PostMessageA(window_, WM_RECORDER_NOTIFY, kNoticeWriteFailed, 0); }

void TfrmSonotape::PostWaitingForFormat() { PostMessageA(window_, WM_RECORDER_NOTIFY, kNoticeWaiting, 0); }

// The status line, its most pressing news first: "Waiting for a format MP3 can record", while
// the recording waits; "No sound for 45 s" once a recording has been silent for
// kSilenceWarningSeconds; that the pre-record buffer could not be had; otherwise the free space
// where the recording goes and the time it holds ("less than 1 min" when a start found the disk
// nearly full), a warning under kLowDiskSeconds.
std::string TfrmSonotape::RecordStatusText(bool& warn) {
  warn = true;
  if (recorder_->WaitingForFormat()) {
    char format[32] = "";
    const WPARAM index = recorder_->FileFormat();
    if (SendMessageA(Control(cbRecordAs), CB_GETLBTEXTLEN, index, 0) < static_cast<LRESULT>(sizeof format)) {
      SendMessageA(Control(cbRecordAs), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(format));
    }
    warn = false;
    return std::string("Waiting for a format ") + format + " can record";
  }
  const std::int64_t silent = recorder_->SilentSeconds();
  if (silent >= kSilenceWarningSeconds) {
    return "No sound for " + std::to_string(silent) + " s";
  }
  if (recorder_->PreRecording().failed) {
    return "Pre-record off: too little memory";
  }
  const DiskTime left = recorder_->TimeLeftOnDisk();
  warn = left.seconds >= 0 && left.seconds < kLowDiskSeconds;
  return FreeSpaceText(left.freeBytes, left.seconds, UserDecimalSeparator());
}

void TfrmSonotape::ShowRecordStatus() {
  if (!recorder_) {
    return;
  }
  bool warn = false;
  SetText(lblRecordStatus, RecordStatusText(warn));
  if (warn != statusWarns_) {
    statusWarns_ = warn;
    InvalidateRect(Control(lblRecordStatus), nullptr, TRUE);
  }
}

void TfrmSonotape::RecordingFormatChanged(RecordingFormat format) {
  SendMessageA(Control(cbRecordAs), CB_SETCURSEL, format, 0);  // not a change of the stored settings
  UpdateTabs();
}

LocalTime TfrmSonotape::Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char month[32] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, &now, "MMM", month, sizeof month);
  return {month, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wYear, now.wMonth};
}

void TfrmSonotape::OnUpdateTick() {
  const std::uint8_t state = recorder_->State();
  if ((state & rsRecording) == 0 && !playPage_->Playing()) {
    KillTimer(window_, tmrUpdate);
    return;
  }
  recorder_->CheckOutputFile();
  ShowRecordStatus();
  const RecordingStats stats = recorder_->ReadRecordingStats();
  if (state == rsRecording) {
    ShowRecordingStats(stats);
  }
  playPage_->ShowPosition();
}

void TfrmSonotape::OnCommand(int id, int code) {
  switch (id) {
    case btnRecord:
      if (code == BN_CLICKED) {
        hostEvents_->CancelAfterAction();
        settings_.UpdateNaming();
        if ((recorder_->State() & rsRecording) == 0) {
          recorder_->StartRecording(Failures::kShown);
        } else {
          recorder_->StopRecording();
        }
      }
      break;
    case btnPause:
      if (code == BN_CLICKED) {
        recorder_->SetPaused((recorder_->State() & rsPaused) == 0);
      }
      break;
    case cbStayConnected:
      if (code == BN_CLICKED) {
        StayConnectedClick();
      }
      break;
    case btnPlay:
      if (code == BN_CLICKED) playPage_->btnPlayClick();
      break;
    case btnStop:
      if (code == BN_CLICKED) playPage_->StopPlayback();
      break;
    case btnFastRW:
    case btnRW:
    case btnFW:
    case btnFastFW:
      if (code == BN_CLICKED) playPage_->frmSkipClick(id);
      break;
    case mtrChannel:
    case mtrChannel + 1:
    case mtrChannel + 2:
    case mtrChannel + 3:
    case mtrChannel + 4:
    case mtrChannel + 5:
      if (code == STN_CLICKED) meters_->ClearClip(static_cast<unsigned>(id - mtrChannel));
      break;
    case IDCANCEL:  // Escape anywhere in the window: it hides; recording goes on
      ShowWindow(window_, SW_HIDE);
      break;
    default:
      settings_.OnCommand(id, code);
      break;
  }
}

LRESULT TfrmSonotape::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (recorder_ == nullptr) {
    return DefWindowProcA(window_, message, wParam, lParam);  // still being created
  }
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_HSCROLL: {
      HWND bar = reinterpret_cast<HWND>(lParam);
      const int id = GetDlgCtrlID(bar);
      if (id == tbVolume) {
        playPage_->TbVolumeOnChange();
      } else if (bar != nullptr && id != tbSeek) {  // the seek bar seeks by its mouse and keys
        settings_.OnTrackBar(bar);
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      playPage_->frmOnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_PLAYER_GRAPH_EVENT:
      playPage_->OnGraphEvent();
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == idTabs && header->code == TCN_SELCHANGE) {
        ShowPage(SelectedPage(Control(idTabs)));
        UpdateMeterTimer(IsWindowVisible(window_) != FALSE);
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (reinterpret_cast<HWND>(lParam) == Control(lblRecordStatus) && statusWarns_) {
        SetTextColor(reinterpret_cast<HDC>(wParam), kWarningColour);
      }
      if (pageBrush_.Get() != nullptr) {
        LOGBRUSH brush{};
        GetObjectA(pageBrush_.Get(), sizeof brush, &brush);
        SetBkColor(reinterpret_cast<HDC>(wParam), brush.lbColor);
        return reinterpret_cast<LRESULT>(pageBrush_.Get());
      }
      return DefWindowProcA(window_, message, wParam, lParam);
    case WM_SHOWWINDOW:
      if (wParam) settings_.FormShow();
      UpdateMeterTimer(wParam != FALSE);
      return DefWindowProcA(window_, message, wParam, lParam);
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) LayOutPages(*this);
      return 0;
    case WM_TIMER:
      if (wParam == tmrSchedule) hostEvents_->OnScheduleTick();
      if (wParam == tmrUpdate) OnUpdateTick();
      if (wParam == tmrMeters) {
        meters_->Tick(GetTickCount64());
        ShowPreRecordState();
      }
      return 0;
    case WM_SCHEDULED_START:
      hostEvents_->OnScheduledStart();
      return 0;
    case WM_RECORDER_NOTIFY:
      if (wParam == kNoticeNewFile) {
        const OutputName name = recorder_->LastName();
        SetText(edFilename, name.shownName);
        SetText(edOutput, name.shownFolder);
        SetWindowTextA(window_, ("Rec: " + FileNamePart(name.fileName)).c_str());
        ShowRecordStatus();
        playPage_->StopPlayback();
      } else if (wParam == kNoticeMuteHost) {
        playPage_->HostGraphChanged();
      } else if (wParam == kNoticeWriteFailed) {
        hostEvents_->OnWriteFailure();
      } else if (wParam == kNoticeWaiting) {
        ShowRecordStatus();
      }
      return 0;
    case HostCommandMessage:
      return hostEvents_->OnHostCommand(wParam, lParam);
    case WM_CLOSE:
      ShowWindow(window_, SW_HIDE);  // the tool window hides; recording goes on
      return 0;
    default:
      return DefWindowProcA(window_, message, wParam, lParam);
  }
}

}  // namespace sonotape
