#pragma once
// The player engine: plays a recorded WAV, MP3, Ogg Vorbis or FLAC file through a graph of its
// own. A worker thread reads the file in chunks of PCM and hands each to the host's push source,
// which holds it back while the graph is full. Every operation runs on the window's thread;
// failures leave a text for the caller to fetch. A chunk the source refuses ends the production
// with a text, and the graph reports EC_ERRORABORT to the window.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/PcmFormat.h"
#include "codecs/StreamCallbacks.h"
#include "player/FileReader.h"
#include "player/PlayerGraph.h"

namespace sonotape {

enum PlayerState : std::uint8_t { psStopped = 0, psPaused = 1, psRunning = 2 };

class TAudioPlayer {
 public:
  // A player with its worker parked; null when the thread cannot be started.
  static std::unique_ptr<TAudioPlayer> Create() noexcept;
  // Closes playback, ends the worker and waits for it.
  ~TAudioPlayer();
  TAudioPlayer(const TAudioPlayer&) = delete;
  TAudioPlayer& operator=(const TAudioPlayer&) = delete;

  // Plays fileName, recorded in format; the graph's events go to window (none: no events).
  // False, with a text of what failed, when it cannot be played.
  bool Open(const std::string& fileName, const PcmFormat& format, HWND window);
  void Close();
  // True when the graph went from running to paused.
  bool Pause();
  // True when a graph that was not running was set running.
  bool Resume();
  // Sets the graph's volume from a slider value (100..10000, logarithmic).
  void SetVolume(std::int32_t slider);
  // Seconds handed to the graph since Open or the last Seek.
  double GetPosition();
  // Moves to target seconds of a file total seconds long (at most 2 s before its end). False,
  // with the graph stopped, when the file cannot be repositioned or the graph not run again.
  bool Seek(double totalSeconds, double targetSeconds);
  // The text of the last failure, cleared; empty when there is nothing to show.
  std::string TakeErrorText();

  // The graph's events, while open with a window; null otherwise.
  IMediaEventEx* Events() const { return graph_.Events(); }
  PlayerState State() const { return state_; }
  // The PCM format handed to the graph (the reader's output format).
  const PcmFormat& OutputFormat() const { return outputFormat_; }

 private:
  TAudioPlayer() = default;
  void Execute();
  std::size_t ProduceChunk();
  void FailProduction(HRESULT failure);
  void Halt();
  void Park();
  void Wake();
  // Releases what a failed Open acquired, leaving text as the error; false.
  bool FailOpen(const std::string& text);
  void ReleaseFile();
  void SetErrorText(std::string text);

  HWND window_ = nullptr;
  PcmFormat outputFormat_{};
  std::string fileName_;
  FileType fileType_ = ftWav;
  std::atomic<PlayerState> state_{psStopped};
  std::atomic<bool> halting_{false};  // Halt is stopping the graph: a refused hand-over is no failure
  double position_ = 0;  // guarded by positionLock_
  std::string errorText_;  // guarded by errorLock_; the worker sets it too
  std::unique_ptr<std::uint8_t[]> chunk_;
  std::uint32_t chunkSize_ = 0;
  std::unique_ptr<PlayerStream> stream_;
  std::unique_ptr<FileReader> reader_;
  PlayerGraph graph_;
  std::mutex positionLock_;
  std::mutex producerLock_;
  std::mutex errorLock_;

  // The worker: parked until Open wakes it, and between chunks while parking is asked for.
  std::mutex workerLock_;
  std::condition_variable workerSignal_;
  bool parked_ = true;
  bool kicked_ = false;  // Wake asked for a chunk at once
  bool terminating_ = false;
  bool inChunk_ = false;
  std::thread worker_;
};

}  // namespace sonotape
