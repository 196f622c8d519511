// sonotape-host.exe: loads Sonotape.dll as the TV-viewer host does and drives it through its
// exports and the tool window's command messages.
//
// Without options it prints the plug-in's identification and runs one session. With a graph
// option it also builds the host's playback graph (a PCM decoder and a renderer), hands it to
// the plug-in and records from it.

#include <windows.h>
#include <oleauto.h>
#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FileVersion.h"
#include "HostGraph.h"
#include "HostPushSource.h"
#include "HostWindow.h"
#include "MessageAnswerer.h"
#include "PlayPagePlayer.h"
#include "PluginLibrary.h"
#include "Screenshot.h"
#include "WavInput.h"
#include "host/HostMessages.h"
#include "host/TimerRecord.h"
#include "ui/WindowIds.h"

namespace {

constexpr INT32 kEventFree = 0;
constexpr INT32 kEventTimerStarts = 1;
constexpr INT32 kEventHostClosing = 1002;
constexpr char kUsage[] =
    "usage: sonotape-host.exe [--plugin PATH] [graph options]\n"
    "graph options:\n"
    "  --format RATE:CHANNELS:BITS[:float|:ext|:plain] | ac3-spdif   what the decoder delivers (48000:2:16)\n"
    "  --input FILE.wav        play this file's samples (looped) instead of the sines\n"
    "  --switch FORMAT         change to this format in mid-stream\n"
    "  --switch-after SECONDS  the first change after this much stream (--switch-every, else 0)\n"
    "  --switch-every SECONDS  then back and forth between the two formats every SECONDS\n"
    "  --switch-by sample|reconnect   bring a new format downstream on the first sample (after\n"
    "                          QueryAccept), or have the host stop the graph, reconnect the\n"
    "                          decoder with it and run the graph again (default: on the sample with\n"
    "                          the null renderer; with DirectSound a change of rate alone on the\n"
    "                          sample and any other by reconnection, which is what it takes)\n"
    "  --length SECONDS        end the stream after this much audio (default 10)\n"
    "  --unpaced               no clock in the graph: the stream runs as fast as it is taken\n"
    "  --renderer dsound|null  the audio renderer (dsound)\n"
    "  --converter             a PCM converter between the decoder and the renderer\n"
    "  --reference PREFIX      also write what the decoder delivered to PREFIX-1.raw, PREFIX-2.raw,\n"
    "                          ..., one file for each stretch of one format\n"
    "  --output FOLDER         the plug-in's output folder\n"
    "  --name NAME             the plug-in's file name\n"
    "  --plain-names           no date and time in file names: NAME, NAME 01, NAME 02, ...\n"
    "  --record-as 0|1|2|3     WAV, MP3, Ogg Vorbis or FLAC\n"
    "  --mp3-method 0|1|2      constant, variable or average bit rate\n"
    "  --xing                  write the XING VBR header\n"
    "  --ogg-abr               Ogg Vorbis at an average bit rate (variable by default)\n"
    "  --ogg-quality Q         the Ogg Vorbis quality, -1 to 10 (4)\n"
    "  --flac-level N          the FLAC compression level, 0 to 8 (5)\n"
    "  --channel NAME          the channel the host reports\n"
    "  --record                record the whole stream (started before the graph runs)\n"
    "  --record-after SECONDS  start recording (command 1) once the stream has run that long\n"
    "  --pre-record N          the pre-record list's item N: 0 Off, 1 5 s, 2 10 s, 3 30 s, 4 60 s\n"
    "  --timer MINUTES         a timer recording from the start of this minute to MINUTES later\n"
    "                          (0: it is due to end at once, and ends at the first check)\n"
    "  --after-action N        the timer recording's after-action (0)\n"
    "  --screenshot FILE.png   show the tool window and save it as a picture\n"
    "  --play                  then play the recording through the Play page (press Play, wait\n"
    "                          for its end) and print the position as it goes\n"
    "  --play-screenshot FILE.png   while it plays, show the Play page and save it as a picture\n";

struct Options {
  std::string pluginPath;
  bool withGraph = false;
  devhost::SourcePlan plan;
  devhost::RendererKind renderer = devhost::RendererKind::DirectSound;
  bool converter = false;
  std::string switchBy;  // empty: as the renderer takes it
  std::string output, name, channel, screenshot, playScreenshot;
  bool plainNames = false;
  int recordAs = -1;
  int mp3Method = -1;
  bool xing = false;
  bool oggAbr = false;
  int oggQuality = 99;  // none given
  int flacLevel = -1;   // none given
  bool record = false;
  double recordAfter = -1;  // none given
  int preRecord = -1;       // none given
  bool play = false;
  double timer = -1;
  int afterAction = 0;
};

bool ParseSeconds(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return *end == '\0' && value >= 0 && value < 86400;
}

// A whole number from low to high, and nothing after it.
bool ParseInteger(const char* text, int low, int high, int& value) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || number < low || number > high) return false;
  value = static_cast<int>(number);
  return true;
}

bool ParseGraphOption(const std::string& option, const char* value, Options& options) {
  devhost::SourcePlan& plan = options.plan;
  options.withGraph = true;
  if (option == "--format") return devhost::ParseToneFormat(value, plan.format);
  if (option == "--input") {
    std::string error;
    if (devhost::ReadWavInput(value, plan.format, plan.samples, error)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  if (option == "--switch") return plan.switches = devhost::ParseToneFormat(value, plan.nextFormat);
  if (option == "--switch-after") return ParseSeconds(value, plan.switchAfter);
  if (option == "--switch-every") return ParseSeconds(value, plan.switchEvery) && plan.switchEvery > 0;
  if (option == "--switch-by") return (options.switchBy = value) == "sample" || options.switchBy == "reconnect";
  if (option == "--length") return ParseSeconds(value, plan.length) && plan.length > 0;
  if (option == "--reference") return !(plan.referencePrefix = value).empty();
  if (option == "--output") return !(options.output = value).empty();
  if (option == "--name") return !(options.name = value).empty();
  if (option == "--channel") return !(options.channel = value).empty();
  if (option == "--screenshot") return !(options.screenshot = value).empty();
  if (option == "--play-screenshot") return options.play = !(options.playScreenshot = value).empty();
  if (option == "--timer") return ParseSeconds(value, options.timer) && options.timer <= 1440;
  if (option == "--record-as") return ParseInteger(value, 0, 3, options.recordAs);
  if (option == "--mp3-method") return ParseInteger(value, 0, 2, options.mp3Method);
  if (option == "--ogg-quality") return ParseInteger(value, -1, 10, options.oggQuality);
  if (option == "--flac-level") return ParseInteger(value, 0, 8, options.flacLevel);
  if (option == "--after-action") return ParseInteger(value, 0, 255, options.afterAction);
  if (option == "--record-after") return ParseSeconds(value, options.recordAfter);
  if (option == "--pre-record") return ParseInteger(value, 0, 4, options.preRecord);
  if (option == "--renderer") {
    const std::string kind = value;
    options.renderer = kind == "null" ? devhost::RendererKind::Null : devhost::RendererKind::DirectSound;
    return kind == "null" || kind == "dsound";
  }
  return false;
}

// What the decoder does at a format change, unless the command line says.
devhost::FormatChange ChangeMethod(const Options& options) {
  if (options.switchBy == "sample") return devhost::FormatChange::OnSample;
  if (options.switchBy == "reconnect") return devhost::FormatChange::Reconnect;
  // Wine's DirectSound renderer takes a new rate on a sample but refuses any other new type
  // there, and reconnects only while stopped.
  return options.renderer == devhost::RendererKind::DirectSound ? devhost::FormatChange::RateOnSample
                                                                  : devhost::FormatChange::OnSample;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  options.pluginPath = devhost::PathBesideExecutable("Sonotape.dll");
  options.plan.length = 10;
  options.plan.switchAfter = -1;  // none given
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    bool valid = true;
    if (option == "--unpaced") {
      options.plan.paced = false;
    } else if (option == "--ogg-abr") {
      options.oggAbr = options.withGraph = true;
    } else if (option == "--xing") {
      options.xing = options.withGraph = true;
    } else if (option == "--converter") {
      options.converter = options.withGraph = true;
    } else if (option == "--plain-names") {
      options.plainNames = options.withGraph = true;
    } else if (option == "--record") {
      options.record = options.withGraph = true;
    } else if (option == "--play") {
      options.play = options.withGraph = true;
    } else if (option == "--plugin" && i + 1 < argc) {
      options.pluginPath = argv[++i];
    } else {
      valid = i + 1 < argc && ParseGraphOption(option, argv[i + 1], options);
      ++i;
    }
    if (!valid) {
      std::fprintf(stderr, "%s", kUsage);
      return false;
    }
  }
  devhost::SourcePlan& plan = options.plan;
  if (plan.switchAfter < 0) {
    plan.switchAfter = plan.switchEvery;
  }
  plan.change = ChangeMethod(options);
  return true;
}

void PrintIdentification(const devhost::PluginExports& e, const std::string& path) {
  std::printf("Plug-in        %s\n", path.c_str());
  std::printf("Version        %s\n", e.Version());
  std::printf("Copyright      %s\n", e.Copyright());
  std::printf("LibTyp         %s\n", e.LibTyp());
  std::printf("PluginName     %s\n", e.PluginName());
  const INT32 priority = e.PluginPriority();
  std::printf("PluginPriority 0x%08lX (%ld)\n", static_cast<unsigned long>(static_cast<UINT32>(priority)),
              static_cast<long>(priority));
  devhost::FileVersion version;
  if (devhost::ReadFileVersion(path, version)) {
    std::printf("File version   %u.%u.%u.%u\n", version.fileMajor, version.fileMinor, version.fileBuild,
                version.filePrivate);
  } else {
    std::printf("File version   (none)\n");
  }
}

LRESULT Command(HWND plugin, WPARAM command) {
  return SendMessageA(plugin, sonotape::HostCommandMessage, command, 0);
}

void Choose(HWND plugin, int list, int index) {
  SendDlgItemMessageA(plugin, list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(plugin, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(plugin, list)));
}

void Slide(HWND plugin, int trackBar, int position) {
  HWND bar = GetDlgItem(plugin, trackBar);
  SendMessageA(bar, TBM_SETPOS, TRUE, position);
  SendMessageA(plugin, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(bar));
}

// Sets the plug-in's boxes as a user (or a remote control) would.
void ConfigurePlugin(HWND plugin, const Options& options) {
  if (!options.output.empty()) SetDlgItemTextA(plugin, sonotape::edOutput, options.output.c_str());
  if (!options.name.empty()) SetDlgItemTextA(plugin, sonotape::edFilename, options.name.c_str());
  if (options.plainNames && IsDlgButtonChecked(plugin, sonotape::cbAutoCreate) == BST_CHECKED) {
    SendDlgItemMessageA(plugin, sonotape::cbAutoCreate, BM_CLICK, 0, 0);
  }
  if (options.recordAs >= 0) Choose(plugin, sonotape::cbRecordAs, options.recordAs);
  if (options.mp3Method >= 0) Choose(plugin, sonotape::cbMP3Method, options.mp3Method);
  if (options.xing) SendDlgItemMessageA(plugin, sonotape::cbMP3VBRHeader, BM_CLICK, 0, 0);
  if (options.oggAbr) SendDlgItemMessageA(plugin, sonotape::rbOggABR, BM_CLICK, 0, 0);
  if (options.oggQuality != 99) Slide(plugin, sonotape::tbOggQuality, options.oggQuality);
  if (options.flacLevel >= 0) Slide(plugin, sonotape::tbFLACLevel, options.flacLevel);
  if (options.preRecord >= 0) Choose(plugin, sonotape::cbPreRecord, options.preRecord);
}

// Each channel's level as command 9 answers it and as its meter on the General page reads.
void PrintLevels(HWND plugin) {
  std::printf("Levels        ");
  for (LPARAM channel = 0; channel < 6; ++channel) {
    std::printf(" %ld", static_cast<long>(SendMessageA(plugin, sonotape::HostCommandMessage, sonotape::kCommandPeakLevel,
                                                       channel)));
  }
  std::printf("\n");
  HWND meters = GetDlgItem(plugin, sonotape::pnlMeters);
  for (int channel = 0; channel < 6; ++channel) {
    HWND meter = GetDlgItem(meters, sonotape::mtrChannel + channel);
    char text[64] = "";
    if (meter != nullptr && IsWindowVisible(meter)) {
      GetWindowTextA(meter, text, sizeof text);
      std::printf("Meter          %s\n", text);
    }
  }
}

// Starts the recording at the tick due, after printing the levels of that moment.
bool RecordAt(HWND plugin, devhost::HostGraph& graph, DWORD due) {
  while (static_cast<LONG>(GetTickCount() - due) < 0) {
    if (graph.WaitForCompletion(20)) return false;
  }
  PrintLevels(plugin);
  Command(plugin, 1);
  return Command(plugin, 5) == 1;
}

void ScheduleTimerRecording(const devhost::PluginExports& e, const Options& options) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  double moment = 0;
  SystemTimeToVariantTime(&now, &moment);
  sonotape::TimerRecordInfo record{};
  record.Title = options.name.empty() ? "Timer recording" : options.name.c_str();
  record.Channel = options.channel.c_str();
  // The host's times are whole minutes of the day; the end wraps past midnight.
  constexpr double kMinutesPerDay = 1440;
  record.Date = std::floor(moment);
  record.StartTime = std::floor((moment - record.Date) * kMinutesPerDay) / kMinutesPerDay;
  record.EndTime = std::fmod(record.StartTime + options.timer / kMinutesPerDay, 1.0);
  record.AfterAction = static_cast<std::uint8_t>(options.afterAction);
  record.RecordKind = 2;
  std::printf("EventMsg(1)    %ld\n", static_cast<long>(e.EventMsg(kEventTimerStarts, &record)));
}

// Waits until the plug-in has ended the timer recording (command 5 answers 0).
bool WaitForScheduleEnd(HWND plugin, devhost::HostGraph& graph, double minutes) {
  const DWORD limit = GetTickCount() + static_cast<DWORD>((minutes * 60 + 10) * 1000);
  do {
    graph.WaitForCompletion(100);
    if (Command(plugin, 5) == 0) {
      return true;
    }
  } while (static_cast<LONG>(GetTickCount() - limit) < 0);
  return false;
}

int RunGraphSession(const devhost::PluginExports& e, devhost::HostWindow& host, const Options& options,
                    const devhost::HostPushSourceRegistration& pushSource) {
  devhost::HostGraph graph;
  std::string error;
  if (!graph.Build(options.plan, options.renderer, options.converter, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  host.SetChannelName(options.channel);
  e.GetGraph(graph.Graph(), 0, 0);
  HWND plugin = devhost::FindPluginWindow();
  if (plugin == nullptr) {
    std::fprintf(stderr, "the plug-in's window is missing\n");
    return 1;
  }
  ConfigurePlugin(plugin, options);
  const devhost::MessageAnswerer answerer;
  int result = 0;
  if (options.record) {
    Command(plugin, 1);
    if (Command(plugin, 5) != 1) {
      std::fprintf(stderr, "the recording did not start\n");
      result = 1;
    }
  }
  const bool timed = options.timer >= 0;
  if (timed) {
    ScheduleTimerRecording(e, options);
    devhost::HostWindow::PumpMessages();
  }
  LARGE_INTEGER frequency{}, started{}, ended{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&started);
  const DWORD recordAt = GetTickCount() + static_cast<DWORD>(options.recordAfter * 1000);
  if (FAILED(graph.Control()->Run())) {
    std::fprintf(stderr, "the graph does not run\n");
    result = 1;
  }
  if (!options.screenshot.empty()) {
    e.MenuItemClick(sonotape::kMenuItemId);
    devhost::HostWindow::PumpFor(500);
    if (!devhost::SaveWindowPng(plugin, options.screenshot)) {
      std::fprintf(stderr, "saving %s failed\n", options.screenshot.c_str());
      result = 1;
    }
  }
  if (options.recordAfter >= 0 && !RecordAt(plugin, graph, recordAt)) {
    std::fprintf(stderr, "the recording did not start after %.1f s\n", options.recordAfter);
    result = 1;
  }
  const bool complete = timed ? WaitForScheduleEnd(plugin, graph, options.timer)
                              : graph.WaitForCompletion(static_cast<DWORD>((options.plan.length * 4 + 30) * 1000));
  QueryPerformanceCounter(&ended);
  devhost::HostWindow::PumpMessages();  // what the plug-in posted before the end, as a host's loop would
  std::printf("Stream ran     %.3f s\n", static_cast<double>(ended.QuadPart - started.QuadPart) / frequency.QuadPart);
  std::printf("Downstream     %.3f s\n", graph.Source()->DownstreamSeconds());
  std::printf("Reconnected    %d times\n", graph.Reconnections());
  if (!complete) {
    std::fprintf(stderr, "the stream did not complete\n");
    result = 1;
  }
  std::printf("State          %ld\n", static_cast<long>(Command(plugin, 5)));
  char status[128] = "";
  GetDlgItemTextA(plugin, sonotape::lblRecordStatus, status, sizeof status);
  std::printf("Status         %s\n", status);
  std::printf("Recorded       %ld s\n", static_cast<long>(Command(plugin, 6)));
  std::printf("Record as     %ld\n", static_cast<long>(Command(plugin, 7)));
  std::printf("Seconds left   %ld\n", static_cast<long>(Command(plugin, sonotape::kCommandSecondsLeft)));
  Command(plugin, 2);
  if (options.play) {
    devhost::PlayPageRun run;
    run.plugin = plugin;
    run.hostGraph = graph.Graph();
    run.pushSource = &pushSource;
    run.picture = options.playScreenshot;
    run.timeoutMs = static_cast<DWORD>((options.plan.length * 2 + 30) * 1000);
    if (!devhost::PlayThroughPlayPage(run)) {
      std::fprintf(stderr, "the recording did not play to its end\n");
      result = 1;
    }
  }
  std::printf("Execute        %d\n", e.Execute(0, 0));
  graph.Control()->Stop();
  e.StopGraph();
  graph.Release();
  return result;
}

// The host's order: identification, menu, application window, ..., closing, free, unload.
int RunSession(devhost::PluginLibrary& plugin, const Options& options,
               const devhost::HostPushSourceRegistration& pushSource) {
  const devhost::PluginExports& e = plugin.Exports();
  PrintIdentification(e, options.pluginPath);

  devhost::HostWindow host;
  if (!host.Create(false)) {
    std::fprintf(stderr, "cannot create the host window (error %lu)\n", GetLastError());
    return 1;
  }
  host.OnCommand([&e](int id) { e.MenuItemClick(id); });
  e.SetMenuHandle(host.MenuBar());
  e.SetAppHandle(host.Handle(), 0);
  devhost::HostWindow::PumpMessages();
  const int result = options.withGraph ? RunGraphSession(e, host, options, pushSource) : 0;
  std::printf("EventMsg(1002) %ld\n", static_cast<long>(e.EventMsg(kEventHostClosing, nullptr)));
  std::printf("EventMsg(0)    %ld\n", static_cast<long>(e.EventMsg(kEventFree, nullptr)));
  host.Destroy();
  plugin.Unload();
  std::printf("Unloaded\n");
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "COM does not start\n");
    return 1;
  }
  int result = 1;
  {
    // As the TV viewer does, the host's push source is there for the plug-in's player.
    const devhost::HostPushSourceRegistration pushSource;
    if (FAILED(pushSource.Result())) {
      std::fprintf(stderr, "the push source cannot be registered (0x%08lX)\n",
                   static_cast<unsigned long>(pushSource.Result()));
    }
    devhost::PluginLibrary plugin;
    std::string error;
    if (plugin.Load(options.pluginPath, error)) {
      result = RunSession(plugin, options, pushSource);
    } else {
      std::fprintf(stderr, "%s\n", error.c_str());
    }
  }
  std::fflush(stdout);
  CoUninitialize();
  return result;
}
