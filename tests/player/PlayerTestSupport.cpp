#include "PlayerTestSupport.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "PcmSource.h"
#include "PluginLibrary.h"
#include "ToneFormat.h"
#include "baseclasses/BCMediaType.h"
#include "support/TempFolder.h"

namespace playertest {

namespace {

constexpr char kWindowClass[] = "SonotapePlayerTestEvents";

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

sonotape::PcmFormat ToneRecordFormat(const std::string& text) {
  devhost::ToneFormat tone;
  if (!devhost::ParseToneFormat(text, tone)) {
    throw std::invalid_argument("format " + text);
  }
  AM_MEDIA_TYPE type{};
  if (FAILED(devhost::MakeToneMediaType(tone, type))) {
    throw std::bad_alloc();
  }
  sonotape::PcmFormat format{};
  std::memcpy(&format, type.pbFormat, std::min<std::size_t>(type.cbFormat, sizeof format));
  sonotape::FreeMediaType(type);
  return format;
}

// The program's output goes to a file, not a pipe: helper processes that Wine starts from it
// inherit its handles and would keep a pipe open.
int RunProgram(const std::string& commandLine, DWORD timeoutMs, std::string* output, const std::string& folder) {
  static testsupport::TempFolder outputs;
  static unsigned runs = 0;
  const std::string outputPath = outputs.File("output" + std::to_string(++runs) + ".txt");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return -1;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = file;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                     folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  CloseHandle(file);
  DWORD code = static_cast<DWORD>(-1);
  if (started) {
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code)) {
      TerminateProcess(process.hProcess, 1);
      code = static_cast<DWORD>(-1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  if (output != nullptr) {
    std::ifstream printed(outputPath, std::ios::binary);
    output->assign(std::istreambuf_iterator<char>(printed), std::istreambuf_iterator<char>());
  }
  return static_cast<int>(code);
}

const Recording& Recorded(const std::string& format, double seconds, const std::string& options) {
  static testsupport::TempFolder folder;
  static std::map<std::string, Recording> made;
  const std::string key = format + " " + std::to_string(seconds) + " " + options;
  if (auto found = made.find(key); found != made.end()) {
    return found->second;
  }
  const std::string output = folder.File("take" + std::to_string(made.size()));
  std::filesystem::create_directory(output);
  const std::string command = Quoted(devhost::PathBesideExecutable("sonotape-host.exe")) +
                              " --renderer null --unpaced --record --name take --output " + Quoted(output) +
                              " --format " + format + " --length " + std::to_string(seconds) + " " + options;
  std::string printed;
  const int code = RunProgram(command, 120000, &printed);
  Recording recording;
  for (const auto& entry : std::filesystem::directory_iterator(output)) {
    recording.path = entry.path().string();
  }
  if (code != 0 || recording.path.empty()) {
    throw std::runtime_error("the development host did not record (" + command + "):\n" + printed);
  }
  recording.format = ToneRecordFormat(format);
  recording.seconds = seconds;
  return made[key] = recording;
}

EventWindow::EventWindow(sonotape::TAudioPlayer& player) : player_(player) {
  events_.reserve(64);  // no allocation while a benchmark counts them
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);  // already registered by an earlier window: fine
  window_ = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, this);
  if (window_ == nullptr) {
    throw std::runtime_error("no event window");
  }
}

EventWindow::~EventWindow() { DestroyWindow(window_); }

LRESULT CALLBACK EventWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<EventWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == sonotape::WM_PLAYER_GRAPH_EVENT && self != nullptr) {
    self->Drain();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void EventWindow::Drain() {
  IMediaEventEx* events = player_.Events();
  if (events == nullptr) {
    return;
  }
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (events->GetEvent(&code, &first, &second, 0) == S_OK) {
    events->FreeEventParams(code, first, second);
    events_.push_back(code);
  }
}

void EventWindow::Pump(DWORD milliseconds) {
  const DWORD begin = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - begin < milliseconds);
}

long EventWindow::WaitForEnd(DWORD timeoutMs) {
  const DWORD begin = GetTickCount();
  while (GetTickCount() - begin < timeoutMs) {
    const auto end = std::find_if(events_.begin(), events_.end(),
                                  [](long code) { return code == EC_COMPLETE || code == EC_ERRORABORT; });
    if (end != events_.end()) {
      const long code = *end;
      events_.erase(events_.begin(), end + 1);
      return code;
    }
    Pump(10);
  }
  return 0;
}

HostFixture::HostFixture()
    : com_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)),
      registration_(std::make_unique<devhost::HostPushSourceRegistration>()) {
  if (FAILED(com_) || FAILED(registration_->Result())) {
    throw std::runtime_error("COM or the push source registration failed");
  }
}

HostFixture::~HostFixture() {
  registration_.reset();
  if (SUCCEEDED(com_)) {
    CoUninitialize();
  }
}

sonotape::ComPtr<IGraphBuilder> GraphOf(devhost::THostPushSource& source) {
  FILTER_INFO info{};
  sonotape::ComPtr<IGraphBuilder> graph;
  if (SUCCEEDED(source.QueryFilterInfo(&info)) && info.pGraph != nullptr) {
    sonotape::QueryInto(info.pGraph, IID_IGraphBuilder, graph);
    info.pGraph->Release();
  }
  return graph;
}

}  // namespace playertest
