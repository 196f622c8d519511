#include "recorder/Recorder.h"

#include <cstring>
#include <utility>

#include "audio/WavSink.h"
#include "codecs/Mp3Sink.h"
#include "codecs/FlacSink.h"
#include "codecs/OggSink.h"
#include "recorder/OutputFileName.h"

namespace sonotape {

namespace {

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::uint64_t> FreeBytesAt(const std::string& folder) {
  ULARGE_INTEGER available{};
  if (folder.empty() || !GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr)) {
    return std::nullopt;
  }
  return available.QuadPart;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

// The file is not there (a share that does not answer for a moment is not taken for gone).
bool FileGone(const std::string& path) {
  if (FileExists(path)) {
    return false;
  }
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Text in the ANSI code page as UTF-8; empty when it cannot be converted.
std::string AnsiToUtf8(const std::string& text) {
  const int size = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring unicode(static_cast<std::size_t>(wide > 0 ? wide : 0), L'\0');
  if (wide <= 0 || MultiByteToWideChar(CP_ACP, 0, text.data(), size, unicode.data(), wide) != wide) {
    return {};
  }
  const int narrow = WideCharToMultiByte(CP_UTF8, 0, unicode.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(narrow > 0 ? narrow : 0), '\0');
  if (narrow <= 0 || WideCharToMultiByte(CP_UTF8, 0, unicode.data(), wide, utf8.data(), narrow, nullptr, nullptr) != narrow) {
    return {};
  }
  return utf8;
}

// The recording's title: its file's name without folder and extension, in UTF-8.
std::string TitleOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  return AnsiToUtf8(name.substr(0, name.find_last_of('.')));
}

RecordingError WritingFailed(const std::string& fileName) {
  return Failure(RecordingError::kFailed, "Writing the file \r\n" + fileName + "\r\nfailed", fileName);
}

RecordingError CreatingFailed(const std::string& fileName) {
  return Failure(RecordingError::kFailed, "Creating the file \r\n" + fileName + "\r\nfailed", fileName);
}

}  // namespace

Recorder::Recorder(RecorderView& view, std::uint64_t maxFileLength) : view_(view), maxFileLength_(maxFileLength) {}

Recorder::~Recorder() { StopRecording(); }

void Recorder::AttachGraph(IGraphBuilder* graph) {
  // A recording runs on the tap of the graph it started in: it ends there first.
  StopRecording();
  tap_ = {};
  graph_ = graph;
}

void Recorder::DetachGraph() {
  StopRecording();
  tap_ = {};
  graph_.Reset();
}

int Recorder::RecorderMessage(const std::string& text, unsigned flags) {
  return text.empty() ? 0 : view_.ShowMessage(text, flags);
}

void Recorder::ShowFailure(const RecordingError& error) {
  RecorderMessage(error.text, error.kind == RecordingError::kMissingLibrary ? MB_ICONWARNING : MB_ICONERROR);
}

RecordingError Recorder::ConnectTap(Failures failures) {
  std::string failure;
  if (sonotape::ConnectTap(graph_.Get(), tap_, failure)) {
    SetPreRecordSeconds(preRecordSeconds_);
    return {};
  }
  RecordingError error = Failure(RecordingError::kFailed, failure);
  if (failures == Failures::kShown) {
    ShowFailure(error);
  }
  return error;
}

void Recorder::SetNaming(const FileNaming& naming) {
  std::lock_guard<std::mutex> guard(namingLock_);
  naming_ = naming;
}

OutputName Recorder::LastName() {
  std::lock_guard<std::mutex> guard(namingLock_);
  return lastName_;
}

void Recorder::SetMp3Settings(const BE_CONFIG& config) {
  std::lock_guard<std::mutex> guard(namingLock_);
  mp3Settings_ = config;
}

void Recorder::SetOggSettings(const OggSettings& settings) {
  std::lock_guard<std::mutex> guard(namingLock_);
  oggSettings_ = settings;
}

void Recorder::SetFlacSettings(const FlacSettings& settings) {
  std::lock_guard<std::mutex> guard(namingLock_);
  flacSettings_ = settings;
}

RecordingStats Recorder::ReadRecordingStats() {
  const SampleLock lock(recordingTap_.Get());  // without a recording no callback writes them
  return {recordedSeconds_, bytesWritten_};
}

RateBasis Recorder::CurrentRateBasis(std::string& folder) {
  RateBasis basis;
  const bool recording = (recState_ & rsRecording) != 0;
  PcmFormat format{};
  if (recording) {
    const SampleLock lock(recordingTap_.Get());
    format = pcmFormat_;
    basis.recordedSeconds = recordedSeconds_;
    const std::uint64_t header = sink_ ? sink_->HeaderBytes() : 0;  // a FLAC seek table is large
    basis.recordedBytes = bytesWritten_ > header ? bytesWritten_ - header : 0;
  } else if (tap_.sampleIntf) {
    tap_.sampleIntf->GetFormatEx(&format);
  }
  basis.pcmBytesPerSecond = format.nAvgBytesPerSec;
  std::lock_guard<std::mutex> guard(namingLock_);
  basis.format = recording ? fileFormat_.load() : recordingFormat_.load();
  basis.mp3Method = mp3Settings_.lhv1.bEnableVBR == 0                ? mmConstant
                    : mp3Settings_.lhv1.nVbrMethod == VBR_METHOD_ABR ? mmAverage
                                                                       : mmVariable;
  basis.mp3Kbps = mp3Settings_.lhv1.dwBitrate;
  basis.mp3MaxKbps = mp3Settings_.lhv1.dwMaxBitrate;
  basis.oggQuality = oggSettings_.quality;
  folder = recording ? FolderOf(lastName_.fileName)
                     : (FolderExists(naming_.outputFolder) ? naming_.outputFolder : naming_.defaultFolder);
  return basis;
}

DiskTime Recorder::TimeLeftOnDisk() {
  std::string folder;
  const RateBasis basis = CurrentRateBasis(folder);
  DiskTime time;
  time.freeBytes = FreeBytesAt(folder);
  time.seconds = SecondsThatFit(time.freeBytes, EstimatedByteRate(basis));
  return time;
}

RecordedFile Recorder::CurrentFile() {
  const SampleLock lock(recordingTap_.Get());  // a restart on the streaming thread changes both
  return {LastName().fileName, pcmFormat_};
}

// The next file of a recording stays in the recording's folder: when that is gone, the file
// cannot be created, rather than moving the recording elsewhere unseen.
RecordingError Recorder::OpenOutputFile(FileStart start) {
  bytesWritten_ = 0;
  OutputName name;
  {
    std::lock_guard<std::mutex> guard(namingLock_);
    FileNaming naming = naming_;
    naming.format = fileFormat_;
    if (start == FileStart::kNext) {
      naming.defaultFolder = naming.outputFolder;
    }
    fileStarted_ = view_.Now();
    lastName_ = BuildOutputFileName(naming, fileStarted_, FolderExists, FileExists);
    name = lastName_;
  }
  if (name.fileName.empty() || !file_.Open(name.fileName)) {
    return CreatingFailed(name.fileName);
  }
  return {};
}

std::unique_ptr<RecordingSink> Recorder::ChooseSink(RecordingError& error) {
  std::lock_guard<std::mutex> guard(namingLock_);
  switch (fileFormat_) {
    case rfWav:
      return std::make_unique<WavSink>(pcmFormat_, maxFileLength_);
    case rfMp3:
      return MakeMp3Sink(mp3Settings_, sampleKind_, pcmFormat_, error);
    case rfOgg:
      return MakeOggSink(oggSettings_, sampleKind_, pcmFormat_, error);
    case rfFlac:
      return MakeFlacSink(flacSettings_, sampleKind_, pcmFormat_, error);
  }
  error = Failure(RecordingError::kFailed, {});
  return nullptr;
}

RecordingError Recorder::StartFile(FileStart start) {
  RecordingError error;
  std::unique_ptr<RecordingSink> sink = ChooseSink(error);
  if (!sink) {
    return error;
  }
  error = OpenOutputFile(start);
  if (error) {
    return error;
  }
  const std::string fileName = LastName().fileName;
  std::string failure;
  const RecordingTags tags{TitleOf(fileName), channel_, fileStarted_.year, fileStarted_.month, fileStarted_.day,
                           kEncoderName};
  const bool opened = sink->Open(file_, tags, failure);
  bytesWritten_ = sink->BytesInFile();
  if (!opened) {
    return failure.empty() || file_.Failed() ? WritingFailed(fileName)
                                             : Failure(RecordingError::kFailed, failure, fileName);
  }
  sink_ = std::move(sink);
  return {};
}

void Recorder::CloseOutputFile() {
  file_.Close();
  sink_.reset();
}

RecordingError Recorder::PrepareRecording(ISampleInterface& samples, FileStart start) {
  sampleKind_ = static_cast<SampleKind>(samples.GetSampleKind());
  if (sampleKind_ == skUnsupported) {
    return Failure(RecordingError::kRefusedFormat,
                   "Cannot record - the data format delivered by the decoder\r\nis not supported");
  }
  const PcmFormat previousFormat = pcmFormat_;
  const OutputName previousName = LastName();
  samples.GetFormatEx(&pcmFormat_);
  RecordingError error = StartFile(start);
  if (error) {
    file_.Discard();  // a start that fails leaves no file behind
    CloseOutputFile();
    pcmFormat_ = previousFormat;
    std::lock_guard<std::mutex> guard(namingLock_);
    lastName_ = previousName;  // the last file is still the one before
    return error;
  }
  recordedSeconds_ = 0;
  return {};
}

// The format is read again under the tap's lock, which its format evaluation takes too: a change
// made since the writer was started cannot slip past, the first buffer starts the next file. What
// the tap kept meanwhile goes first, under the same lock, so the first live buffer follows it.
void Recorder::InstallCallback() {
  ISampleInterface& samples = *recordingTap_.Get();
  const SampleLock lock(&samples);
  samples.SetCallback(&Recorder::OnSampleBuffer, this);
  PcmFormat current{};
  samples.GetFormatEx(&current);
  if (samples.GetSampleKind() != sampleKind_ || std::memcmp(&current, &pcmFormat_, sizeof current) != 0) {
    samples.SetFormatChanged(TRUE);
  }
  ComPtr<IPreRecord> preRecord;
  if (SUCCEEDED(QueryInto(&samples, IID_IPreRecord, preRecord))) {
    preRecord->DrainPreRecorded(&Recorder::OnPreRecorded, this);  // kept in the tap's format of now
  }
}

// On the window thread while the tap goes on keeping what arrives: most of a long pre-record is
// encoded here rather than under the lock the host's streaming thread waits on.
void Recorder::WritePreRecorded() {
  ComPtr<IPreRecord> preRecord;
  PreRecordBuffer taken;
  if (FAILED(QueryInto(recordingTap_.Get(), IID_IPreRecord, preRecord)) || preRecord->TakePreRecorded(&taken) != S_OK) {
    return;  // without a second buffer all of it goes under the lock
  }
  if (std::memcmp(&taken.Format(), &pcmFormat_, sizeof pcmFormat_) != 0) {
    return;  // kept before a format change the file did not see
  }
  taken.ForEachPiece([this](const std::uint8_t* data, std::size_t length) {
    WriteBuffer(data, static_cast<std::uint32_t>(length));
    return !writeFailed_;
  });
}

RecordingError Recorder::StartOnTap() {
  // A tap found in the graph records as well as one inserted now.
  RecordingError error = ConnectTap(Failures::kQuiet);
  if (error) {
    return error;
  }
  fileFormat_ = recordingFormat_.load();
  channel_ = AnsiToUtf8(view_.HostChannel());
  error = PrepareRecording(*tap_.sampleIntf.Get(), FileStart::kFirst);
  if (error) {
    if (error.switchToWav) {
      recordingFormat_ = rfWav;
      view_.RecordingFormatChanged(rfWav);
    }
    return error;
  }
  writeFailed_ = false;
  waiting_ = false;
  recordingTap_ = tap_.sampleIntf;
  recState_ = rsRecording;  // before any sound is written: a stop now finishes the file
  WritePreRecorded();
  InstallCallback();
  heardFromMs_ = GetTickCount64();
  return {};
}

RecordingError Recorder::StartRecording(Failures failures) {
  if ((recState_ & (rsRecording | rsStopping)) != 0) {
    return {};
  }
  view_.StopPlayback();
  RecordingError error = StartOnTap();
  if (error) {
    if (failures == Failures::kShown) {
      ShowFailure(error);
    }
    return error;
  }
  view_.RecorderStateChanged();
  return {};
}

void Recorder::StopRecording() {
  const std::uint8_t state = recState_;
  if ((state & rsRecording) == 0 || (state & rsStopping) != 0) {
    return;
  }
  recordingTap_->SetCallback(nullptr, nullptr);  // waits for a buffer in progress
  recState_ = state | rsStopping;
  FinishRecording();
  recordingTap_.Reset();
  waiting_ = false;
  recState_ = 0;
  view_.RecorderStateChanged();
}

void Recorder::SetPaused(bool on) {
  const std::uint8_t state = recState_;
  if (((state & rsPaused) != 0) == on || (state & rsStopping) != 0) {
    return;
  }
  recState_ = on ? (state | rsPaused) : (state & ~rsPaused);
  heardFromMs_ = GetTickCount64();
  view_.RecorderStateChanged();
}

void Recorder::FinishRecording() {
  if (!file_.IsOpen() || !sink_) {
    return;
  }
  // After a failed write nothing more goes into the file: no flush, no XING header.
  sink_->Finish(!file_.Failed());
  bytesWritten_ = sink_->BytesInFile();
  const bool failed = file_.Failed();
  if (failed && bytesWritten_ <= sink_->HeaderBytes()) {
    file_.Discard();  // it holds no audio
    bytesWritten_ = 0;
    recordedSeconds_ = 0;
  }
  const std::string fileName = LastName().fileName;
  std::unique_ptr<RecordingSink> sink = std::move(sink_);
  CloseOutputFile();
  if (failed) {
    ReportFailure(WritingFailed(fileName));
  } else {
    sink->Closed(fileName);
  }
}

void Recorder::ReportFailure(RecordingError error) {
  if (writeFailed_.exchange(true)) {
    return;
  }
  {
    std::lock_guard<std::mutex> guard(namingLock_);
    failure_ = std::move(error);
  }
  view_.PostWriteFailure();
}

RecordingError Recorder::EndAfterWriteFailure(Failures failures) {
  RecordingError error;
  {
    std::lock_guard<std::mutex> guard(namingLock_);
    error = std::exchange(failure_, RecordingError{});
  }
  if (!error) {
    return error;
  }
  if (writeFailed_) {
    StopRecording();  // the recording whose file failed: a later one started since goes on
  }
  if (failures == Failures::kShown) {
    ShowFailure(error);
  }
  return error;
}

void Recorder::CheckOutputFile() {
  if (State() == 0 || writeFailed_) {
    return;
  }
  std::string fileName;
  {
    const SampleLock lock(recordingTap_.Get());  // the streaming thread opens the next file under it
    if (!file_.IsOpen()) {
      return;
    }
    fileName = LastName().fileName;
  }
  if (FileGone(fileName)) {
    ReportFailure(WritingFailed(fileName));
  }
}

// A new format the recording's format cannot record is waited out: broadcasts switch back. Any
// other failure ends the recording.
void Recorder::ContinueInNewFile() {
  FinishRecording();
  if (writeFailed_) {
    return;
  }
  RecordingError error = PrepareRecording(*recordingTap_.Get(), FileStart::kNext);
  if (!error) {
    waiting_ = false;
    view_.PostNewFile();
  } else if (error.kind == RecordingError::kRefusedFormat) {
    if (!waiting_.exchange(true)) {
      view_.PostWaitingForFormat();
    }
  } else {
    ReportFailure(std::move(error));
  }
}

void Recorder::ProcessBuffer(const std::uint8_t* data, std::uint32_t length) {
  if (writeFailed_) {
    return;  // nothing is written after a failed write; the window ends the recording
  }
  ISampleInterface& samples = *recordingTap_.Get();
  if (samples.GetFormatChanged()) {
    samples.SetFormatChanged(FALSE);
    ContinueInNewFile();
  }
  WriteBuffer(data, length);
}

void Recorder::WriteBuffer(const std::uint8_t* data, std::uint32_t length) {
  // A file must not pass its limits (a WAV file's sizes would wrap): the recording goes on in
  // the next file.
  if (sink_ && !sink_->Fits(length)) {
    ContinueInNewFile();
  }
  // Without a file (a format that cannot be recorded, a failed restart) the next change is awaited.
  if (!sink_) {
    return;
  }
  const std::uint64_t taken = sink_->Write(data, length);
  bytesWritten_ = sink_->BytesInFile();
  recordedSeconds_ += static_cast<double>(taken) / pcmFormat_.nAvgBytesPerSec;
  if (file_.Failed()) {
    ReportFailure(WritingFailed(LastName().fileName));
  }
}

bool Recorder::OnPreRecorded(void* context, const std::uint8_t* data, std::size_t length) {
  auto* self = static_cast<Recorder*>(context);
  try {
    self->ProcessBuffer(data, static_cast<std::uint32_t>(length));  // a format change first starts the next file
  } catch (...) {
    return false;
  }
  return !self->writeFailed_;
}

void Recorder::OnSampleBuffer(void* context, const std::uint8_t* data, std::int32_t length) {
  auto* self = static_cast<Recorder*>(context);
  if (self->recState_ != rsRecording || length <= 0) {
    return;  // idle, paused or stopping: the buffer is dropped
  }
  try {
    self->ProcessBuffer(data, static_cast<std::uint32_t>(length));
  } catch (...) {
    // the buffer is lost, the next one is processed normally
  }
}

}  // namespace sonotape
