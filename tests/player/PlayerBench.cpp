// The player's costs, as figures: CPU time of playback per second of audio (WAV, MP3, Ogg
// Vorbis and FLAC recordings of the plug-in) and while paused, heap allocations per chunk, and the
// time a seek takes in a two-hour file of each format (tools/player-bench-files.sh makes them).
//
// Process CPU time counts everything playback costs in the process: the worker, the reader and
// its decoder, the source, and Wine's DirectSound renderer and mixer; the worker's own share is
// printed beside it. Wine counts CPU time in 10 ms ticks. The bench's sound device takes the
// sound at the real rate; the wall time is printed too. While paused, the CPU time is also
// shown by the module in which each thread of the process started (Wine's DirectSound, its
// sound driver, ...). The allocations while playing that do not grow with the chunks are the
// graph manager's (it enumerates the source's pins).

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "PlayerTestSupport.h"
#include "PluginLibrary.h"
#include "player/FileReader.h"
#include "player/PlayerFile.h"
#include "player/PlayerRules.h"

namespace {

std::atomic<long long> allocations{0};

constexpr DWORD kPlayTimeout = 120000;
constexpr double kRecordingSeconds = 10;
constexpr double kLongFileSeconds = 7200;
constexpr int kSeeks = 25;

double Seconds(const FILETIME& time) {
  return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
}

double ProcessCpuSeconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  return Seconds(kernel) + Seconds(user);
}

std::vector<DWORD> ProcessThreads() {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.push_back(entry.th32ThreadID);
  }
  CloseHandle(snapshot);
  return ids;
}

// The file name of the module holding the address where a thread started ("?" when unknown).
std::string StartModule(HANDLE thread) {
  using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  constexpr int kWin32StartAddress = 9;
  static const auto query = reinterpret_cast<QueryThread>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
  void* start = nullptr;
  HMODULE module = nullptr;
  char path[MAX_PATH] = "?";
  if (query != nullptr && query(thread, kWin32StartAddress, &start, sizeof start, nullptr) == 0 &&
      GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<const char*>(start), &module)) {
    GetModuleFileNameA(module, path, sizeof path);
  }
  const std::string name = path;
  return name.substr(name.find_last_of("\\/") + 1);
}

// CPU seconds so far of every thread of the process, summed by the module each started in.
std::map<std::string, double> CpuByStartModule() {
  std::map<std::string, double> seconds;
  for (DWORD id : ProcessThreads()) {
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
    if (thread == nullptr) continue;
    FILETIME created, ended, kernel, user;
    if (GetThreadTimes(thread, &created, &ended, &kernel, &user)) {
      seconds[StartModule(thread)] += Seconds(kernel) + Seconds(user);
    }
    CloseHandle(thread);
  }
  return seconds;
}

// The thread that TAudioPlayer::Create started: the one of this process that was not there before.
class WorkerThread {
 public:
  template <typename Create>
  explicit WorkerThread(Create create) {
    const std::vector<DWORD> before = ProcessThreads();
    create();
    for (DWORD id : ProcessThreads()) {
      if (std::find(before.begin(), before.end(), id) == before.end()) {
        handle_ = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
      }
    }
  }
  ~WorkerThread() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  double CpuSeconds() const {
    FILETIME created, ended, kernel, user;
    if (handle_ == nullptr || !GetThreadTimes(handle_, &created, &ended, &kernel, &user)) return -1;
    return Seconds(kernel) + Seconds(user);
  }

 private:
  HANDLE handle_ = nullptr;
};

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void PlaybackCost(const char* name, const playertest::Recording& recording, playertest::HostFixture& host) {
  std::unique_ptr<sonotape::TAudioPlayer> player;
  const WorkerThread worker([&] { player = sonotape::TAudioPlayer::Create(); });
  playertest::EventWindow window(*player);
  const double cpu = ProcessCpuSeconds(), workerCpu = worker.CpuSeconds(), wall = Now();
  if (!player->Open(recording.path, recording.format, window.Handle())) {
    std::printf("  %-24s cannot be played: %s\n", name, player->TakeErrorText().c_str());
    return;
  }
  const long long allocated = allocations;
  const bool complete = window.WaitForCompletion(kPlayTimeout);
  const long long allocatedWhilePlaying = allocations - allocated;
  const double cpuUsed = ProcessCpuSeconds() - cpu, workerUsed = worker.CpuSeconds() - workerCpu;
  const double wallUsed = Now() - wall;
  const double audio = player->GetPosition();
  sonotape::FileType type = sonotape::ftWav;
  sonotape::FileTypeFromName(recording.path, type);
  const std::uint32_t chunk = sonotape::ChunkSize(type, player->OutputFormat());
  const double chunks = static_cast<double>(host.Source()->BytesHandedOver()) / chunk;
  player->Close();
  std::printf("  %-24s %6.2f ms CPU per s of audio, the worker's %5.2f ms (%4.1f s audio in %4.2f s)%s\n", name,
              cpuUsed / audio * 1000, workerUsed / audio * 1000, audio, wallUsed, complete ? "" : " [no completion]");
  std::printf("  %-24s %6.3f heap allocations per chunk (%lld in %.0f chunks)\n", "", allocatedWhilePlaying / chunks,
              allocatedWhilePlaying, chunks);
}

struct CpuShare {
  double process = 0, worker = 0;  // CPU seconds per second
};

// CPU per second of wall time over a while, pumping the window's messages.
CpuShare CpuPerSecond(const WorkerThread& worker, double seconds) {
  const double cpu = ProcessCpuSeconds(), workerCpu = worker.CpuSeconds(), wall = Now();
  playertest::EventWindow::Pump(static_cast<DWORD>(seconds * 1000));
  const double used = Now() - wall;
  return {(ProcessCpuSeconds() - cpu) / used, (worker.CpuSeconds() - workerCpu) / used};
}

void PausedCost(const playertest::Recording& recording) {
  std::unique_ptr<sonotape::TAudioPlayer> player;
  const WorkerThread worker([&] { player = sonotape::TAudioPlayer::Create(); });
  playertest::EventWindow window(*player);
  const CpuShare closed = CpuPerSecond(worker, 3);
  if (!player->Open(recording.path, recording.format, window.Handle()) || !player->Pause()) {
    std::printf("  paused: cannot pause\n");
    return;
  }
  const std::map<std::string, double> before = CpuByStartModule();
  const double wall = Now();
  const CpuShare paused = CpuPerSecond(worker, 5);
  std::map<std::string, double> used = CpuByStartModule();
  const double seconds = Now() - wall;
  player->Close();
  std::printf("  %-24s %6.2f ms CPU per s, the worker's %5.3f ms (player closed: %.2f ms, the worker's %.3f ms)\n",
              "paused", paused.process * 1000, paused.worker * 1000, closed.process * 1000, closed.worker * 1000);
  std::printf("  %-24s", "paused, threads by start:");
  for (auto& [module, cpu] : used) {
    const auto earlier = before.find(module);
    cpu -= earlier != before.end() ? earlier->second : 0;
    if (cpu > 0) std::printf(" %s %.1f ms/s;", module.c_str(), cpu / seconds * 1000);
  }
  std::printf("\n");
}

struct Latency {
  double mean = 0, worst = 0;
};

template <typename Step>
Latency Time(Step step) {
  Latency latency;
  for (int i = 0; i < kSeeks; ++i) {
    // Spread over the file, not in order, so that no seek is a short step from the last.
    const double target = std::fmod(i * 0.382, 1.0) * (kLongFileSeconds - 10);
    const double start = Now();
    if (!step(target)) return {-1, -1};
    const double used = (Now() - start) * 1000;
    latency.mean += used / kSeeks;
    latency.worst = std::max(latency.worst, used);
  }
  return latency;
}

void SeekLatency(const char* name, const std::string& file, sonotape::FileType type) {
  const std::string path = devhost::PathBesideExecutable(("..\\bench-files\\" + file).c_str());
  const sonotape::PcmFormat format = playertest::ToneRecordFormat("48000:2:16");
  auto player = sonotape::TAudioPlayer::Create();
  playertest::EventWindow window(*player);
  if (!player->Open(path, format, window.Handle())) {
    std::printf("  %-24s missing (tools/player-bench-files.sh makes it)\n", name);
    return;
  }
  const Latency whole = Time([&](double target) { return player->Seek(kLongFileSeconds, target); });
  player->Close();

  auto stream = sonotape::OpenPlayerFile(path);
  auto reader = sonotape::CreateFileReader(type);
  sonotape::PcmFormat output = format;
  std::string text;
  Latency reposition{-1, -1};
  if (stream && reader && reader->Open(*stream, output, text)) {
    reposition = Time([&](double target) { return reader->Reposition(target, kLongFileSeconds); });
    reader->Close();
  }
  std::printf("  %-24s Seek %5.1f ms mean, %5.1f ms worst; the reader's part %6.3f ms mean, %6.3f ms worst\n", name,
              whole.mean, whole.worst, reposition.mean, reposition.worst);
}

}  // namespace

// Counts every allocation of the process's C++ heap.
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++allocations;
  return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

int main() {
  try {
    playertest::HostFixture host;
    std::printf("Player: playback of %.0f s recordings to their end (Wine's DirectSound renderer, paced sink)\n",
                kRecordingSeconds);
    PlaybackCost("WAV 48 kHz stereo 16-bit", playertest::Recorded("48000:2:16", kRecordingSeconds), host);
    PlaybackCost("WAV 48 kHz 5.1 24-bit", playertest::Recorded("48000:6:24", kRecordingSeconds), host);
    PlaybackCost("MP3 128 kbit/s stereo", playertest::Recorded("48000:2:16", kRecordingSeconds, "--record-as 1"), host);
    PlaybackCost("Ogg Vorbis q4 stereo", playertest::Recorded("48000:2:16", kRecordingSeconds, "--record-as 2"), host);
    PlaybackCost("FLAC level 5 stereo", playertest::Recorded("48000:2:16", kRecordingSeconds, "--record-as 3"), host);
    PausedCost(playertest::Recorded("48000:2:16", kRecordingSeconds));
    std::printf("Player: seek latency in two-hour files, %d seeks spread over the file\n", kSeeks);
    SeekLatency("WAV 48 kHz stereo 16-bit", "2h.wav", sonotape::ftWav);
    SeekLatency("MP3 128 kbit/s stereo", "2h.mp3", sonotape::ftMp3);
    SeekLatency("Ogg Vorbis q4 stereo", "2h.ogg", sonotape::ftOgg);
    SeekLatency("FLAC level 5 stereo", "2h.flac", sonotape::ftFlac);
  } catch (const std::exception& e) {
    std::printf("the benchmark failed: %s\n", e.what());
    return 1;
  }
  return 0;
}
