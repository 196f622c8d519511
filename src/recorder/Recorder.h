#pragma once
// The recording engine behind the tool window: the host graph and the tap in it, the recorder
// state, the output file and the sink that fills it, and the per-buffer path on the streaming
// thread.
//
// Threads: everything but OnSampleBuffer runs on the window thread. OnSampleBuffer runs on the
// host's streaming thread under the tap's callback lock; it never calls into the host's graph,
// shows nothing and only posts to the window.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "audio/OutputFile.h"
#include "audio/OutputNaming.h"
#include "audio/PcmFormat.h"
#include "audio/PeakMeter.h"
#include "audio/RecordingError.h"
#include "audio/RecordingSink.h"
#include "audio/WavWriter.h"
#include "codecs/BeConfig.h"
#include "codecs/FlacEncoder.h"
#include "codecs/OggEncoder.h"
#include "recorder/DiskTime.h"
#include "recorder/TapSplice.h"

namespace sonotape {

enum RecorderFlag : std::uint8_t { rsRecording = 1, rsPaused = 2, rsStopping = 8 };

// A recording this long without sound is shown as silent.
inline constexpr std::int64_t kSilenceWarningSeconds = 30;

// Whether a call shows its failure to the user (a scheduled start, the tap connected in passing,
// do not).
enum class Failures : std::uint8_t { kShown, kQuiet };

// What the recorder needs of its window.
class RecorderView {
 public:
  virtual ~RecorderView() = default;
  // Window thread: shows text with the message box flags.
  virtual int ShowMessage(const std::string& text, unsigned flags) = 0;
  // Window thread: the state changed: captions, buttons, menu check.
  virtual void RecorderStateChanged() = 0;
  // Posted from the streaming thread: a new output file was started.
  virtual void PostNewFile() = 0;
  // Posted from the streaming thread: the input's new format is one the recording's format cannot
  // record; the recording waits for the next change.
  virtual void PostWaitingForFormat() = 0;
  // Posted from either thread: the recording failed; the window is to call EndAfterWriteFailure.
  virtual void PostWriteFailure() = 0;
  // Window thread: the recorder changed the format itself (MP3 without its library); the "Record
  // as" list shows what the next start records.
  virtual void RecordingFormatChanged(RecordingFormat format) = 0;
  // The local time for file names and tags.
  virtual LocalTime Now() = 0;
  // Window thread: the channel the host shows now (ANSI), or empty, for the tags.
  virtual std::string HostChannel() = 0;
  // Window thread: a recording is about to start: playback stops first.
  virtual void StopPlayback() = 0;
};

struct RecordingStats {
  double seconds = 0;
  std::uint64_t bytes = 0;
};

class Recorder {
 public:
  // maxFileLength lowers the WAV file limit for tests.
  explicit Recorder(RecorderView& view, std::uint64_t maxFileLength = WavWriter::kMaxFileLength);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  void AttachGraph(IGraphBuilder* graph);
  void DetachGraph();
  // Drops the graph reference but keeps the tap and its interface.
  void ReleaseGraph() { graph_.Reset(); }
  IGraphBuilder* Graph() const { return graph_.Get(); }
  // Splices the tap (or finds it).
  RecordingError ConnectTap(Failures failures);

  // The only ways the state changes; requests that change nothing, or come during a stop, are
  // ignored. A start that fails leaves the recorder idle and says why.
  RecordingError StartRecording(Failures failures);
  void StopRecording();
  void SetPaused(bool on);
  std::uint8_t State() const { return recState_; }
  // A recording waits for a format its recording format can record.
  bool WaitingForFormat() const { return waiting_; }
  // The format of the running or last recording.
  RecordingFormat FileFormat() const { return fileFormat_; }

  // The window thread keeps this current; the streaming thread names files from it.
  void SetNaming(const FileNaming& naming);
  // The name and folder the last file name was built with, for the window's boxes.
  OutputName LastName();
  void SetRecordingFormat(RecordingFormat format) { recordingFormat_ = format; }
  // The encoders' settings for the next start (also a restart on the streaming thread).
  void SetMp3Settings(const BE_CONFIG& config);
  void SetOggSettings(const OggSettings& settings);
  void SetFlacSettings(const FlacSettings& settings);

  // After PostWriteFailure: ends the recording whose file failed as Stop does (that file keeps
  // its whole frames or pages; one without audio is deleted), and says which file failed.
  RecordingError EndAfterWriteFailure(Failures failures);
  // Window thread, while recording: a file that went from under the recording (its folder
  // removed) fails as a write to it would.
  void CheckOutputFile();

  RecordingStats ReadRecordingStats();
  // Window thread: the free space where the next file goes (the current file's folder while
  // recording), and how long a recording in the recording's format fits in it.
  DiskTime TimeLeftOnDisk();
  // The peak level of channel (from 0) over the last 300 ms in hundredths of dBFS, from the tap in
  // the graph whether it records or not; kNoLevel without sound, channel or tap.
  int PeakLevel(unsigned channel);
  // The same as a fraction of full scale; none without sound, channel or tap.
  std::optional<float> RecentPeak(unsigned channel);
  // The format the tap takes in; all zero without a tap or format.
  PcmFormat TapFormat();
  // Whole seconds a running, unpaused recording has had no sound on any channel (below -60
  // dBFS, or none flowing); 0 otherwise.
  std::int64_t SilentSeconds();

  // The seconds of sound the tap keeps while nothing records (0: none); every start writes them
  // first. Applies to the tap in the graph now and to every tap connected later.
  void SetPreRecordSeconds(unsigned seconds);
  unsigned PreRecordSeconds() const { return preRecordSeconds_; }
  struct PreRecordState {
    unsigned seconds = 0;  // the buffer holds at most, for the connected format
    bool failed = false;   // its memory could not be had: it keeps nothing
  };
  PreRecordState PreRecording();
  // Read together, as the streaming thread may start the next file after a format change.
  RecordedFile CurrentFile();
  // Shows text through the window; nothing for an empty text. The one way messages are shown.
  int RecorderMessage(const std::string& text, unsigned flags);
  // Shows a failure: a missing library as a warning, anything else as an error.
  void ShowFailure(const RecordingError& error);

  // The tap's callback.
  static void OnSampleBuffer(void* context, const std::uint8_t* data, std::int32_t length);
  // The tap's pre-recorded sound, handed over under its callback lock as the callback goes in.
  static bool OnPreRecorded(void* context, const std::uint8_t* data, std::size_t length);

 private:
  enum class FileStart : std::uint8_t { kFirst, kNext };

  RecordingError StartOnTap();
  // The format, settings and folder the time left on disk is reckoned with.
  RateBasis CurrentRateBasis(std::string& folder);
  // Reads the tap's format and starts the next file in it.
  RecordingError PrepareRecording(ISampleInterface& samples, FileStart start);
  // The sink for the input in the recording's format, or why there is none.
  std::unique_ptr<RecordingSink> ChooseSink(RecordingError& error);
  RecordingError StartFile(FileStart start);
  RecordingError OpenOutputFile(FileStart start);
  void InstallCallback();
  // Writes the sound the tap kept before the start, but for what arrives meanwhile.
  void WritePreRecorded();
  // The tap's level meter and pre-record buffer: of the recording's tap, else the graph's.
  ISampleInterface* CurrentTap() const;
  void CloseOutputFile();
  void FinishRecording();
  // Closes the current file and opens the next, as after a format change.
  void ContinueInNewFile();
  void ProcessBuffer(const std::uint8_t* data, std::uint32_t length);
  // Writes a buffer in the current file's format, on to the next file where it does not fit.
  void WriteBuffer(const std::uint8_t* data, std::uint32_t length);
  // Once per recording: nothing more is written, and the window is told.
  void ReportFailure(RecordingError error);

  RecorderView& view_;
  const std::uint64_t maxFileLength_;
  ComPtr<IGraphBuilder> graph_;
  TapConnection tap_;
  // The tap whose callback is installed, from the start to the end of a recording: the streaming
  // thread's only way to the tap, whatever the window thread attaches or connects meanwhile.
  ComPtr<ISampleInterface> recordingTap_;
  std::atomic<std::uint8_t> recState_{0};
  std::atomic<bool> waiting_{false};
  SampleKind sampleKind_ = skUnsupported;
  PcmFormat pcmFormat_{};
  std::atomic<RecordingFormat> recordingFormat_{rfWav};  // for the next start
  std::atomic<RecordingFormat> fileFormat_{rfWav};       // of the running recording, each of its files
  OutputFile file_;
  std::unique_ptr<RecordingSink> sink_;
  std::uint64_t bytesWritten_ = 0;
  std::atomic<bool> writeFailed_{false};
  double recordedSeconds_ = 0;
  std::mutex namingLock_;
  FileNaming naming_;
  BE_CONFIG mp3Settings_{};
  OggSettings oggSettings_;
  FlacSettings flacSettings_;
  OutputName lastName_;
  LocalTime fileStarted_;  // of the current file, for its tags
  std::string channel_;    // UTF-8: the host's channel at the start, for the tags
  RecordingError failure_;  // reported by EndAfterWriteFailure
  unsigned preRecordSeconds_ = 0;
  // GetTickCount64 at the start or continuation: silence counts from then at the earliest.
  std::uint64_t heardFromMs_ = 0;
};

}  // namespace sonotape
