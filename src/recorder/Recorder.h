#pragma once
// The recording engine behind the tool window: the host graph and the tap in it, the recorder
// state, the output file and its writer, and the per-buffer path on the streaming thread.
//
// Threads: everything but OnSampleBuffer runs on the window thread. OnSampleBuffer runs on the
// host's streaming thread under the tap's callback lock; it never calls into the host's graph
// and only posts to the window.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "audio/OutputFile.h"
#include "audio/PcmFormat.h"
#include "audio/WavWriter.h"
#include "codecs/BeConfig.h"
#include "codecs/Mp3Encoder.h"
#include "codecs/OggEncoder.h"
#include "recorder/OutputFileName.h"
#include "recorder/TapSplice.h"

namespace sonotape {

enum RecorderFlag : std::uint8_t { rsRecording = 1, rsPaused = 2, rsStopping = 8 };

// What the recorder needs of its window.
class RecorderView {
 public:
  virtual ~RecorderView() = default;
  // Shows text with the message box flags; the recorder has already applied silent mode.
  virtual int ShowMessage(const std::string& text, unsigned flags) = 0;
  // The state changed: captions, buttons, menu check.
  virtual void RecorderStateChanged() = 0;
  // From the streaming thread: a new output file was started (WM_RECORDER_NOTIFY 3).
  virtual void PostNewFile() = 0;
  // From either thread: a write to the output file failed; the window is to call
  // EndAfterWriteFailure.
  virtual void PostWriteFailure() = 0;
  // On the window's thread: the recorder changed the format itself (MP3 without its library); the
  // "Record as" list shows what the next start records.
  virtual void RecordingFormatChanged(RecordingFormat format) = 0;
  // The local time for file names.
  virtual LocalTime Now() = 0;
  // A recording is about to start: playback stops first.
  virtual void StopPlayback() = 0;
};

struct RecordingStats {
  double seconds = 0;
  std::uint64_t bytes = 0;
};

class Recorder {
 public:
  static constexpr unsigned kErrorIcon = 0x10;
  static constexpr unsigned kWarningIcon = 0x30;

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
  // Splices the tap (or finds it); messages unless silent.
  bool ConnectTap();

  // The only ways the state changes; requests that change nothing, or come during a stop, are
  // ignored.
  void SetRecording(bool on);
  void SetPaused(bool on);
  std::uint8_t State() const { return recState_; }

  // The window thread keeps this current; the streaming thread names files from it.
  void SetNaming(const FileNaming& naming);
  // The name and folder the last file name was built with, for the window's boxes.
  OutputName LastName();
  void SetRecordingFormat(RecordingFormat format) { recordingFormat_ = format; }
  // The MP3 pages' configuration for the next start (also a restart on the streaming thread).
  void SetMp3Settings(const BE_CONFIG& config);
  void SetOggSettings(const OggSettings& settings);

  // After PostWriteFailure: ends the recording whose file failed as Stop does (that file keeps
  // its whole frames or pages; one without audio is deleted), and says which file failed.
  void EndAfterWriteFailure();

  RecordingStats ReadRecordingStats();
  // Read together, as the streaming thread may start the next file after a format change.
  RecordedFile CurrentFile();
  void SetSilent(bool silent) { silent_ = silent; }
  int RecorderMessage(const std::string& text, unsigned flags);

  // The tap's callback.
  static void OnSampleBuffer(void* context, const std::uint8_t* data, std::int32_t length);

 private:
  // Reads the tap's format and starts the writer; messages unless silent.
  bool PrepareRecording(ISampleInterface& samples);
  void InstallCallback();
  bool StartWavFile();
  bool StartMP3Encoder();
  bool StartOggEncoder();
  void EncodeOgg(const std::uint8_t* data, std::uint32_t length);
  void EncodeMp3(const std::uint8_t* data, std::uint32_t length);
  bool OpenOutputFile();
  void CloseOutputFile();
  void FinishRecording();
  // Closes the current file and opens the next, as after a format change.
  void ContinueInNewFile();
  void ProcessBuffer(const std::uint8_t* data, std::uint32_t length);
  // The bytes of the buffer that reached the file (as PCM).
  std::uint64_t WriteBuffer(const std::uint8_t* data, std::uint32_t length);
  std::uint64_t WriteWav(const std::uint8_t* data, std::uint32_t length);
  // Once per recording: nothing more is written, and the window is told.
  void ReportWriteFailure();

  RecorderView& view_;
  const std::uint64_t maxFileLength_;
  ComPtr<IGraphBuilder> graph_;
  TapConnection tap_;
  // The tap whose callback is installed, from the start to the end of a recording: the streaming
  // thread's only way to the tap, whatever the window thread attaches or connects meanwhile.
  ComPtr<ISampleInterface> recordingTap_;
  std::atomic<std::uint8_t> recState_{0};
  std::atomic<bool> silent_{false};
  SampleKind sampleKind_ = skUnsupported;
  PcmFormat pcmFormat_{};
  std::atomic<RecordingFormat> recordingFormat_{rfWav};
  OutputFile file_;
  std::unique_ptr<WavWriter> wav_;
  std::unique_ptr<Mp3Encoder> mp3_;  // kept after a finish: its configuration says whether to write the XING header
  BE_CONFIG mp3Settings_{};          // under namingLock_
  std::unique_ptr<OggEncoder> ogg_;
  OggSettings oggSettings_;          // under namingLock_
  std::uint64_t bytesWritten_ = 0;
  std::uint64_t headerBytes_ = 0;  // what the writer wrote at its start
  std::atomic<bool> writeFailed_{false};
  std::string failedFile_;  // under namingLock_; reported by EndAfterWriteFailure
  double recordedSeconds_ = 0;
  std::mutex namingLock_;
  FileNaming naming_;
  OutputName lastName_;
};

}  // namespace sonotape
