#include "recorder/SonotapeWindow.h"

#include <commctrl.h>
#include <oleauto.h>
#include <shlobj.h>

#include <cmath>
#include <cstdio>
#include <new>

#include "recorder/ButtonGlyphs.h"
#include "recorder/RecorderText.h"
#include "recorder/WindowIds.h"

namespace sonotape {

namespace {

constexpr int kGeneralPage = 0;
constexpr int kPlayPage = 1;
constexpr int kClientWidth = 420;
constexpr int kClientHeight = 300;

// A control of a page, placed in pixels at 96 DPI.
struct ControlEntry {
  int id;
  const char* className;
  const char* text;
  DWORD style;
  int page;
  int x, y, width, height;
};

constexpr DWORD kChild = WS_CHILD | WS_TABSTOP;
constexpr DWORD kLabel = WS_CHILD | SS_LEFT;

constexpr ControlEntry kControls[] = {
    {lblRecordAs, "STATIC", "&Record as:", kLabel, kGeneralPage, 20, 44, 86, 20},
    {cbRecordAs, "COMBOBOX", "", kChild | CBS_DROPDOWNLIST | WS_VSCROLL, kGeneralPage, 110, 40, 130, 120},
    {lblFilename, "STATIC", "File &name:", kLabel, kGeneralPage, 20, 74, 86, 20},
    {edFilename, "EDIT", "", kChild | WS_BORDER | ES_AUTOHSCROLL, kGeneralPage, 110, 70, 290, 22},
    {lblOutput, "STATIC", "&Output folder:", kLabel, kGeneralPage, 20, 104, 86, 20},
    {edOutput, "EDIT", "", kChild | WS_BORDER | ES_AUTOHSCROLL, kGeneralPage, 110, 100, 262, 22},
    {btnFile, "BUTTON", "...", kChild | BS_PUSHBUTTON, kGeneralPage, 376, 100, 24, 22},
    {cbStayConnected, "BUTTON", "Stay &Connected to Audio Stream", kChild | BS_AUTOCHECKBOX, kGeneralPage, 20, 134,
     380, 20},
    {cbAutoCreate, "BUTTON", "Append &Date-Time to Filenames", kChild | BS_AUTOCHECKBOX, kGeneralPage, 20, 158, 380,
     20},
    {lblFileSize, "STATIC", "Written: 0.0 MB", kLabel, kGeneralPage, 20, 192, 180, 20},
    {lblLengthGen, "STATIC", "Length:  00:00:00", kLabel, kGeneralPage, 210, 192, 190, 20},
    {btnRecord, "BUTTON", "&Start", kChild | BS_PUSHBUTTON, kGeneralPage, 20, 240, 110, 30},
    {btnPause, "BUTTON", "Rec &Pause", kChild | BS_PUSHBUTTON | WS_DISABLED, kGeneralPage, 140, 240, 110, 30},
    {btnSave, "BUTTON", "S&ave Settings", kChild | BS_PUSHBUTTON, kGeneralPage, 290, 240, 110, 30},
    {lblLength, "STATIC", "Length:  00:00:00", kLabel, kPlayPage, 20, 44, 200, 20},
};

const char* const kRecordAsItems[] = {"WAV", "MP3", "Ogg Vorbis"};

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The user's music folder, else the documents folder, with a trailing backslash; empty when
// neither exists.
std::string DefaultOutputFolder() {
  char path[MAX_PATH];
  for (int folder : {CSIDL_MYMUSIC, CSIDL_PERSONAL}) {
    if (SUCCEEDED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) {
      return FolderExists(path) ? std::string(path) + "\\" : std::string();
    }
  }
  return {};
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

double NowAsDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  double date = 0;
  SystemTimeToVariantTime(&now, &date);
  return date;
}

void SetGlyph(HWND button, HIMAGELIST images, int index) {
  SetWindowLongPtrA(button, GWLP_USERDATA, index);  // which glyph it shows, for the curious
  HICON icon = index >= 0 ? ImageList_GetIcon(images, index, ILD_NORMAL) : nullptr;
  HICON old = reinterpret_cast<HICON>(SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
  if (old != nullptr) {
    DestroyIcon(old);
  }
}

LRESULT CALLBACK EscapeHides(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR owner) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    ShowWindow(reinterpret_cast<HWND>(owner), SW_HIDE);
    return 0;
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

TfrmSonotape::TfrmSonotape(HINSTANCE module) : module_(module), styles_(module) {}

TfrmSonotape::~TfrmSonotape() {
  if (recorder_) {
    recorder_->SetRecording(false);
  }
  if (window_ != nullptr) {
    DestroyWindow(window_);
  }
  recorder_.reset();
  if (buttons_ != nullptr) {
    ImageList_Destroy(buttons_);
  }
}

bool TfrmSonotape::Create(HWND owner) {
  const VisualStyles::Scope styles(styles_);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExA(module_, kClassName, &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = module_;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExA(&windowClass) == 0) {
      return false;
    }
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  recorder_.reset(new (std::nothrow) Recorder(*this));
  if (!recorder_) {
    return false;
  }
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
  window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, kCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, module_, this);
  if (window_ == nullptr) {
    return false;
  }
  CreateControls();
  RecorderStateChanged();
  return true;
}

void TfrmSonotape::CreateControls() {
  font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HWND tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 8, 8, kClientWidth - 16,
                              kClientHeight - 16, window_, reinterpret_cast<HMENU>(idTabs), module_, nullptr);
  SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  TCITEMA general{};
  general.mask = TCIF_TEXT;
  general.pszText = const_cast<char*>("General");
  SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&general));
  for (const ControlEntry& entry : kControls) {
    HWND control = CreateWindowExA(0, entry.className, entry.text, entry.style, entry.x, entry.y, entry.width, entry.height,
                                   window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), module_, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetWindowSubclass(control, EscapeHides, 1, reinterpret_cast<DWORD_PTR>(window_));
    SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  for (const char* item : kRecordAsItems) {
    SendMessageA(Control(cbRecordAs), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessageA(Control(cbRecordAs), CB_SETCURSEL, rfWav, 0);
  SendMessageA(Control(edFilename), EM_LIMITTEXT, 100, 0);
  SendMessageA(Control(cbStayConnected), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(Control(cbAutoCreate), BM_SETCHECK, BST_CHECKED, 0);
  buttons_ = CreateButtonGlyphs();
  SetGlyph(Control(btnRecord), buttons_, imgRecord);
  SetGlyph(Control(btnPause), buttons_, imgPlay);
  ShowPage(kGeneralPage);
  UpdateNaming();
}

void TfrmSonotape::ShowPage(int page) {
  for (const ControlEntry& entry : kControls) {
    ShowWindow(Control(entry.id), entry.page == page ? SW_SHOW : SW_HIDE);
  }
}

std::string TfrmSonotape::Text(int id) const {
  char text[MAX_PATH + 1] = "";
  GetWindowTextA(Control(id), text, sizeof text);
  return text;
}

void TfrmSonotape::SetText(int id, const std::string& text) { SetWindowTextA(Control(id), text.c_str()); }

bool TfrmSonotape::Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TfrmSonotape::Show() {
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
}

void TfrmSonotape::UpdateNaming() {
  if (!recorder_) {
    return;
  }
  FileNaming naming;
  naming.scheduledTitle = schedule_.title;
  naming.typedName = Text(edFilename);
  naming.appendDateTime = Checked(cbAutoCreate);
  naming.outputFolder = Text(edOutput);
  naming.defaultFolder = DefaultOutputFolder();
  recorder_->SetNaming(naming);
  recorder_->SetRecordingFormat(static_cast<RecordingFormat>(SendMessageA(Control(cbRecordAs), CB_GETCURSEL, 0, 0)));
}

std::string TfrmSonotape::QueryHostChannelName() {
  struct {
    INT32 index;
    const char* name;
  } channel{-1, nullptr};
  if (hostWindow_ != nullptr) {
    SendMessageA(hostWindow_, HostCommandMessage, kHostChannelName, reinterpret_cast<LPARAM>(&channel));
  }
  return channel.index != -1 && channel.name != nullptr ? MakeFileNameSafe(channel.name) : std::string();
}

void TfrmSonotape::StayConnectedClick() {
  if (Checked(cbStayConnected) && recorder_->Graph() != nullptr) {
    recorder_->SetSilent(true);
    recorder_->ConnectTap();
    recorder_->SetSilent(false);
  }
  EnableWindow(Control(btnSave), TRUE);
}

bool TfrmSonotape::AttachGraph(IFilterGraph* graph) {
  ComPtr<IGraphBuilder> builder;
  if (graph != nullptr) {
    QueryInto(graph, IID_IGraphBuilder, builder);
  }
  recorder_->AttachGraph(builder.Get());
  if (builder) {
    StayConnectedClick();
    SetText(edFilename, QueryHostChannelName());
  }
  EnableWindow(Control(btnRecord), builder ? TRUE : FALSE);
  return static_cast<bool>(builder);
}

void TfrmSonotape::DetachGraph() {
  recorder_->DetachGraph();
  EnableWindow(Control(btnRecord), FALSE);
}

int TfrmSonotape::ShowMessage(const std::string& text, unsigned flags) {
  return MessageBoxA(window_, text.c_str(), "Sonotape Plugin", flags);
}

bool TfrmSonotape::ConfirmStopRecording() {
  const std::uint8_t state = recorder_->State();
  if ((state & rsRecording) == 0 || (state & rsStopping) != 0) {
    return false;
  }
  return recorder_->RecorderMessage("This action will stop recording", MB_OKCANCEL | MB_ICONWARNING | MB_SYSTEMMODAL) !=
         IDOK;
}

BOOL TfrmSonotape::Execute() {
  const bool keep = !hostClosing_ && ConfirmStopRecording();
  if (!keep) {
    recorder_->SetRecording(false);
    recorder_->ReleaseGraph();
  }
  return keep ? TRUE : FALSE;
}

INT32 TfrmSonotape::EventMsg(INT32 type, const void* record) {
  const auto* timer = static_cast<const TimerRecordInfo*>(record);
  const std::uint8_t state = recorder_->State();
  switch (type) {
    case 1:
      if (timer == nullptr || !ScheduleFromTimerRecord(*timer, (state & rsRecording) != 0, schedule_)) {
        return 0;
      }
      SendMessageA(Control(cbAutoCreate), BM_SETCHECK, BST_CHECKED, 0);
      UpdateNaming();
      PostMessageA(window_, WM_SCHEDULED_START, 0, 0);
      return 1;
    case 11: {
      if ((state & rsRecording) == 0 || (state & rsStopping) != 0) {
        return 0;
      }
      if (timer == nullptr) {
        return 1;
      }
      TimerChange change;
      if (!MatchTimerChange(*timer, scheduleActive_, schedule_, change)) {
        return 0;
      }
      if (change == TimerChange::Stop) {
        recorder_->SetRecording(false);
      } else if (change == TimerChange::Update) {
        schedule_.afterAction = timer->AfterAction;
        Schedule updated;
        ScheduleFromTimerRecord(*timer, false, updated);
        schedule_.end = updated.end;
      }
      return 1;
    }
    case 1002:
      hostClosing_ = true;
      return ConfirmStopRecording() ? 1 : 0;
    default:
      return 0;
  }
}

void TfrmSonotape::RecorderStateChanged() {
  const std::uint8_t state = recorder_->State();
  const bool on = (state & rsRecording) != 0;
  SetText(btnRecord, on ? "&Stop" : "&Start");
  SetGlyph(Control(btnRecord), buttons_, on ? imgStop : imgRecord);
  EnableWindow(Control(btnPause), on ? TRUE : FALSE);
  for (int id : {cbStayConnected, cbRecordAs, edFilename}) {
    EnableWindow(Control(id), on ? FALSE : TRUE);
  }
  if (pluginMenu_ != nullptr) {
    CheckMenuItem(pluginMenu_, kMenuItemId, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  }
  if (on) {
    SetTimer(window_, tmrUpdate, 1000, nullptr);
    const OutputName name = recorder_->LastName();
    SetText(edFilename, name.shownName);
    SetText(edOutput, name.shownFolder);
    if (!playShown_) {
      TCITEMA play{};
      play.mask = TCIF_TEXT;
      play.pszText = const_cast<char*>("Play");
      SendMessageA(Control(idTabs), TCM_INSERTITEMA, kPlayPage, reinterpret_cast<LPARAM>(&play));
      playShown_ = true;
    }
  } else {
    KillTimer(window_, tmrSchedule);  // a stop ends the schedule
    scheduleActive_ = false;
    schedule_.title.clear();
    schedule_.channel.clear();
    schedule_.start = 0;
  }
  if (state == (rsRecording | rsPaused)) {
    SetText(btnPause, "&Continue");
    SetGlyph(Control(btnPause), buttons_, imgContinue);
    SetWindowTextA(window_, "Sonotape 4.0 (Rec Pause)");
  } else if (state == rsRecording) {
    SetText(btnPause, "Rec &Pause");
    SetGlyph(Control(btnPause), buttons_, imgPause);
    SetWindowTextA(window_, ("Rec: " + FileNamePart(recorder_->LastName().fileName)).c_str());
  } else {
    SetText(btnPause, "Rec &Pause");
    SetGlyph(Control(btnPause), buttons_, -1);
    SetWindowTextA(window_, kCaption);
  }
  ShowRecordingStats(recorder_->ReadRecordingStats());
}

void TfrmSonotape::ShowRecordingStats(const RecordingStats& stats) {
  const std::string length = "Length:  " + FormatDuration(stats.seconds);
  SetText(lblLength, length);
  SetText(lblLengthGen, length);
  char written[64];
  std::snprintf(written, sizeof written, "Written: %.1f MB", static_cast<double>(stats.bytes) / 1048576.0);
  SetText(lblFileSize, written);
}

void TfrmSonotape::PostNewFile() { PostMessageA(window_, WM_RECORDER_NOTIFY, 3, 0); }

LocalTime TfrmSonotape::Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char month[32] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, &now, "MMM", month, sizeof month);
  return {month, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void TfrmSonotape::OnScheduleTick() {
  if (NowAsDate() < schedule_.end) {
    return;
  }
  recorder_->SetRecording(false);
  // Once, also when the scheduled start failed and no stop ended the schedule.
  KillTimer(window_, tmrSchedule);
  scheduleActive_ = false;
  if (schedule_.afterAction > 0 && hostWindow_ != nullptr) {
    PostMessageA(hostWindow_, HostCommandMessage, kHostAfterAction, schedule_.afterAction);
  }
  schedule_ = Schedule{};
}

void TfrmSonotape::OnUpdateTick() {
  const std::uint8_t state = recorder_->State();
  if ((state & rsRecording) == 0) {
    KillTimer(window_, tmrUpdate);
    return;
  }
  const RecordingStats stats = recorder_->ReadRecordingStats();
  if (state == rsRecording) {
    ShowRecordingStats(stats);
  }
}

LRESULT TfrmSonotape::OnHostCommand(WPARAM command) {
  const std::uint8_t state = recorder_->State();
  switch (command) {
    case 0:
      MessageBeep(MB_OK);
      return HostCommandMessage;
    case 1:
      UpdateNaming();
      recorder_->SetRecording(true);
      return 0;
    case 2:
      recorder_->SetRecording(false);
      return 0;
    case 3:
    case 4:
      if ((state & rsRecording) != 0) {
        recorder_->SetPaused(command == 3);
      }
      return 0;
    case 5:
      return state == rsRecording ? 1 : state == (rsRecording | rsPaused) ? 2 : 0;
    case 6:
      return static_cast<LRESULT>(std::nearbyint(recorder_->ReadRecordingStats().seconds));
    case 7:
      return SendMessageA(Control(cbRecordAs), CB_GETCURSEL, 0, 0);
    case 8:
      return 1024;
    default:
      return 0;
  }
}

void TfrmSonotape::OnCommand(int id, int code) {
  switch (id) {
    case btnRecord:
      if (code == BN_CLICKED) {
        schedule_.afterAction = 0;  // a manual start or stop cancels the host's action
        UpdateNaming();
        recorder_->SetRecording((recorder_->State() & rsRecording) == 0);
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
    case cbAutoCreate:
    case cbRecordAs:
    case edFilename:
    case edOutput:
      UpdateNaming();
      break;
    default:
      break;
  }
}

LRESULT TfrmSonotape::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == idTabs && header->code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(SendMessageA(Control(idTabs), TCM_GETCURSEL, 0, 0)));
      }
      return 0;
    }
    case WM_TIMER:
      if (wParam == tmrSchedule) OnScheduleTick();
      if (wParam == tmrUpdate) OnUpdateTick();
      return 0;
    case WM_SCHEDULED_START:
      UpdateNaming();
      recorder_->SetSilent(true);
      recorder_->SetRecording(true);
      recorder_->SetSilent(false);
      Show();
      SetTimer(window_, tmrSchedule, 1000, nullptr);
      scheduleActive_ = true;
      return 0;
    case WM_RECORDER_NOTIFY:
      if (wParam == 3) {
        const OutputName name = recorder_->LastName();
        SetText(edFilename, name.shownName);
        SetText(edOutput, name.shownFolder);
        SetWindowTextA(window_, ("Rec: " + FileNamePart(name.fileName)).c_str());
      } else if (wParam == 4) {
        SetHostVolume(recorder_->Graph(), -10000);
      }
      return 0;
    case HostCommandMessage:
      return OnHostCommand(wParam);
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_CLOSE:
      ShowWindow(window_, SW_HIDE);  // the tool window hides; recording goes on
      return 0;
    default:
      return DefWindowProcA(window_, message, wParam, lParam);
  }
}

LRESULT CALLBACK TfrmSonotape::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TfrmSonotape*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TfrmSonotape*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->recorder_ == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  try {
    return self->OnMessage(message, wParam, lParam);
  } catch (...) {
    return 0;  // no exception may reach the host's message loop
  }
}

}  // namespace sonotape
