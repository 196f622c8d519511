#pragma once
// What the player's tests share: recordings made by the plug-in through the development host,
// a hidden window that drains the playback graph's events, and plays to the end.

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "HostPushSource.h"
#include "audio/PcmFormat.h"
#include "player/AudioPlayer.h"

namespace playertest {

struct Recording {
  std::string path;
  sonotape::PcmFormat format{};  // the recording's PCM format, as the recorder hands it over
  double seconds = 0;            // the PCM the host's decoder delivered
};

// A recording of the development host's tones by the plug-in, made once per process and
// argument list: "--format" and "--length" as sonotape-host.exe takes them, then its further
// recording options (e.g. "--record-as 1 --mp3-method 1 --xing").
const Recording& Recorded(const std::string& format, double seconds, const std::string& options = "");

// The recorder's format record for a development host format ("48000:6:24").
sonotape::PcmFormat ToneRecordFormat(const std::string& format);

// Runs a program to its end (in folder, when given); its exit code, or -1 when it cannot be
// started or does not end within timeoutMs. output receives what it printed.
int RunProgram(const std::string& commandLine, DWORD timeoutMs, std::string* output = nullptr,
               const std::string& folder = "");

// A message-only window that drains the player's events on WM_PLAYER_GRAPH_EVENT.
class EventWindow {
 public:
  explicit EventWindow(sonotape::TAudioPlayer& player);
  ~EventWindow();
  EventWindow(const EventWindow&) = delete;
  EventWindow& operator=(const EventWindow&) = delete;

  HWND Handle() const { return window_; }
  // Pumps messages until EC_COMPLETE or EC_ERRORABORT came (one not waited for yet), or the time
  // is up; that event's code, or 0.
  long WaitForEnd(DWORD timeoutMs);
  // True when WaitForEnd gives EC_COMPLETE.
  bool WaitForCompletion(DWORD timeoutMs) { return WaitForEnd(timeoutMs) == EC_COMPLETE; }
  // Pumps messages for a while.
  static void Pump(DWORD milliseconds);
  const std::vector<long>& Events() const { return events_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Drain();

  sonotape::TAudioPlayer& player_;
  HWND window_ = nullptr;
  std::vector<long> events_;
};

// COM for the test's thread and the host's push source registered, as the host program has it.
class HostFixture {
 public:
  HostFixture();
  ~HostFixture();
  HostFixture(const HostFixture&) = delete;
  HostFixture& operator=(const HostFixture&) = delete;
  // The source the player created last.
  devhost::THostPushSource* Source() const { return registration_->LastSource(); }

 private:
  HRESULT com_;
  std::unique_ptr<devhost::HostPushSourceRegistration> registration_;
};

// The graph the player built, reached through its source filter.
sonotape::ComPtr<IGraphBuilder> GraphOf(devhost::THostPushSource& source);

}  // namespace playertest
