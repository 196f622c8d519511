#include "recorder/Recorder.h"

#include <cstring>
#include <new>

#include "audio/SampleConversion.h"

namespace sonotape {

namespace {

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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

std::string WritingFailed(const std::string& fileName) { return "Writing the file \r\n" + fileName + "\r\nfailed"; }

}  // namespace

Recorder::Recorder(RecorderView& view, std::uint64_t maxFileLength) : view_(view), maxFileLength_(maxFileLength) {}

Recorder::~Recorder() { SetRecording(false); }

void Recorder::AttachGraph(IGraphBuilder* graph) {
  // A recording runs on the tap of the graph it started in: it ends there first.
  SetRecording(false);
  tap_ = {};
  graph_ = graph;
}

void Recorder::DetachGraph() {
  SetRecording(false);
  tap_ = {};
  graph_.Reset();
}

int Recorder::RecorderMessage(const std::string& text, unsigned flags) {
  return text.empty() || silent_ ? 0 : view_.ShowMessage(text, flags);
}

bool Recorder::ConnectTap() {
  std::string failure;
  const bool connected = sonotape::ConnectTap(graph_.Get(), tap_, failure);
  RecorderMessage(failure, kErrorIcon);
  return connected;
}

void Recorder::SetNaming(const FileNaming& naming) {
  std::lock_guard<std::mutex> guard(namingLock_);
  naming_ = naming;
}

OutputName Recorder::LastName() {
  std::lock_guard<std::mutex> guard(namingLock_);
  return lastName_;
}

RecordingStats Recorder::ReadRecordingStats() {
  const SampleLock lock(recordingTap_.Get());  // without a recording no callback writes them
  return {recordedSeconds_, bytesWritten_};
}

RecordedFile Recorder::CurrentFile() {
  const SampleLock lock(recordingTap_.Get());  // a restart on the streaming thread changes both
  return {LastName().fileName, pcmFormat_};
}

bool Recorder::OpenOutputFile() {
  bytesWritten_ = 0;
  OutputName name;
  {
    std::lock_guard<std::mutex> guard(namingLock_);
    naming_.format = recordingFormat_;
    lastName_ = BuildOutputFileName(naming_, view_.Now(), FolderExists, FileExists);
    name = lastName_;
  }
  if (name.fileName.empty() || !file_.Open(name.fileName)) {
    RecorderMessage("Creating the file \r\n" + name.fileName + "\r\nfailed", kErrorIcon);
    return false;
  }
  return true;
}

void Recorder::SetMp3Settings(const BE_CONFIG& config) {
  std::lock_guard<std::mutex> guard(namingLock_);
  mp3Settings_ = config;
}

void Recorder::SetOggSettings(const OggSettings& settings) {
  std::lock_guard<std::mutex> guard(namingLock_);
  oggSettings_ = settings;
}

void Recorder::CloseOutputFile() {
  file_.Close();
  wav_.reset();
  if (mp3_) {
    mp3_->Release();
  }
  ogg_.reset();
}

bool Recorder::StartOggEncoder() {
  VorbisBindings& libraries = VorbisLibraries();
  if (!libraries.LoadVorbis() || !libraries.LoadVorbisEnc() || !libraries.LoadOgg() || !libraries.Complete()) {
    RecorderMessage("vorbis.dll, vorbisenc.dll and ogg.dll\r\nare required for Ogg Vorbis encoding", kWarningIcon);
    return false;
  }
  if (sampleKind_ == skSpdif) {
    RecorderMessage("Cannot record Ogg Vorbis from SPDIF output", kErrorIcon);
    return false;
  }
  if (!OpenOutputFile()) {
    return false;
  }
  OggSettings settings;
  std::string title;
  {
    std::lock_guard<std::mutex> guard(namingLock_);
    settings = oggSettings_;
    const std::string& path = lastName_.fileName;
    const std::size_t slash = path.find_last_of('\\');
    title = path.substr(slash == std::string::npos ? 0 : slash + 1);
    title = AnsiToUtf8(title.substr(0, title.find_last_of('.')));  // Vorbis comments are UTF-8
  }
  ogg_.reset(new (std::nothrow) OggEncoder(libraries));
  std::string failure = "There is not enough memory available";
  if (!ogg_ || !ogg_->Start(settings, pcmFormat_.nChannels, pcmFormat_.nSamplesPerSec, title, file_, failure)) {
    RecorderMessage(file_.Failed() ? WritingFailed(LastName().fileName) : failure, kErrorIcon);
    return false;
  }
  bytesWritten_ += ogg_->HeaderBytes();
  return true;
}

void Recorder::EncodeOgg(const std::uint8_t* data, std::uint32_t length) {
  OggEncoder& ogg = *ogg_;
  ConvertForOgg(pcmFormat_, sampleKind_, data, length, [&ogg](std::size_t n) { return ogg.Buffer(n); },
                [this, &ogg](std::size_t n) { bytesWritten_ += ogg.EncodeChunk(n, file_); });
}

bool Recorder::StartMP3Encoder() {
  if (!LoadLame()) {
    RecorderMessage("lame_enc.dll > 3.9 is required for MP3 encoding", kWarningIcon);
    recordingFormat_ = rfWav;  // the next start records WAV until the user picks a format again
    view_.RecordingFormatChanged(rfWav);
    return false;
  }
  if (sampleKind_ == skSpdif) {
    RecorderMessage("Cannot record MP3 from SPDIF output", kErrorIcon);
    return false;
  }
  if (pcmFormat_.nChannels > 2) {
    RecorderMessage("Cannot record - for MP3 the data delivered by the decoder\r\nmust be mono or stereo", kErrorIcon);
    return false;
  }
  if (!OpenOutputFile()) {
    return false;
  }
  BE_CONFIG settings;
  {
    std::lock_guard<std::mutex> guard(namingLock_);
    settings = mp3Settings_;
  }
  mp3_.reset(new (std::nothrow) Mp3Encoder(Lame().Entries()));
  std::string failure = "There is not enough memory available";
  if (!mp3_ || !mp3_->Start(settings, pcmFormat_, failure)) {
    RecorderMessage(failure, kErrorIcon);
    return false;
  }
  return true;
}

void Recorder::EncodeMp3(const std::uint8_t* data, std::uint32_t length) {
  Mp3Encoder& mp3 = *mp3_;
  ConvertForMp3(pcmFormat_, sampleKind_, data, length, mp3.SamplesPerChunk(), mp3.Left(), mp3.Right(),
                [this, &mp3](std::size_t n) { bytesWritten_ += mp3.EncodeChunk(n, file_); });
}

bool Recorder::StartWavFile() {
  if (!OpenOutputFile()) {
    return false;
  }
  wav_.reset(new (std::nothrow) WavWriter(file_, pcmFormat_, maxFileLength_));
  if (!wav_ || !wav_->Start()) {
    bytesWritten_ = wav_ ? wav_->BytesWritten() : 0;
    RecorderMessage(WritingFailed(LastName().fileName), kErrorIcon);
    return false;
  }
  bytesWritten_ = wav_->BytesWritten();
  return true;
}

void Recorder::FinishRecording() {
  if (!file_.IsOpen()) {
    return;
  }
  if (recordingFormat_ == rfWav && wav_) {
    wav_->Patch();  // over whole frames only, after a failed write
  }
  // After a failed write nothing more goes into the file: no flush, no XING header.
  const bool mp3 = recordingFormat_ == rfMp3 && mp3_ && !file_.Failed();
  if (mp3) {
    bytesWritten_ += mp3_->Finish(file_);
  }
  if (ogg_ && !file_.Failed()) {
    bytesWritten_ += ogg_->Finish(file_);
  }
  if (file_.Failed() && bytesWritten_ <= headerBytes_) {
    file_.Discard();  // it holds no audio
    bytesWritten_ = 0;
    recordedSeconds_ = 0;
  }
  CloseOutputFile();
  if (file_.Failed()) {
    ReportWriteFailure();
  } else if (mp3) {
    mp3_->WriteVbrHeader(LastName().fileName);
  }
}

void Recorder::ReportWriteFailure() {
  if (writeFailed_.exchange(true)) {
    return;
  }
  {
    std::lock_guard<std::mutex> guard(namingLock_);
    failedFile_ = lastName_.fileName;
  }
  view_.PostWriteFailure();
}

void Recorder::EndAfterWriteFailure() {
  std::string fileName;
  {
    std::lock_guard<std::mutex> guard(namingLock_);
    fileName.swap(failedFile_);
  }
  if (fileName.empty()) {
    return;
  }
  if (writeFailed_) {
    SetRecording(false);  // the recording whose file failed: a later one started since goes on
  }
  RecorderMessage(WritingFailed(fileName), kErrorIcon);
}

bool Recorder::PrepareRecording(ISampleInterface& samples) {
  sampleKind_ = static_cast<SampleKind>(samples.GetSampleKind());
  if (sampleKind_ == skUnsupported) {
    RecorderMessage("Cannot record - the data format delivered by the decoder\r\nis not supported", kErrorIcon);
    return false;
  }
  const PcmFormat previous = pcmFormat_;
  samples.GetFormatEx(&pcmFormat_);
  const RecordingFormat format = recordingFormat_;
  const bool started = format == rfWav ? StartWavFile() : format == rfMp3 ? StartMP3Encoder() : StartOggEncoder();
  if (!started) {
    file_.Discard();  // a start that fails leaves no file behind
    CloseOutputFile();
    pcmFormat_ = previous;
    return false;
  }
  headerBytes_ = bytesWritten_;
  recordedSeconds_ = 0;
  return true;
}

// The format is read again under the tap's lock, which its format evaluation takes too: a change
// made since the writer was started cannot slip past, the first buffer starts the next file.
void Recorder::InstallCallback() {
  ISampleInterface& samples = *recordingTap_.Get();
  const SampleLock lock(&samples);
  samples.SetCallback(&Recorder::OnSampleBuffer, this);
  PcmFormat current{};
  samples.GetFormatEx(&current);
  if (samples.GetSampleKind() != sampleKind_ || std::memcmp(&current, &pcmFormat_, sizeof current) != 0) {
    samples.SetFormatChanged(TRUE);
  }
}

void Recorder::SetRecording(bool on) {
  const std::uint8_t state = recState_;
  if (((state & rsRecording) != 0) == on || (state & rsStopping) != 0) {
    return;
  }
  if (on) {
    view_.StopPlayback();
    // A tap found in the graph records as well as one inserted now.
    if (!ConnectTap() || !PrepareRecording(*tap_.sampleIntf.Get())) {
      return;
    }
    writeFailed_ = false;
    recordingTap_ = tap_.sampleIntf;
    InstallCallback();
    recState_ = rsRecording;
  } else {
    recordingTap_->SetCallback(nullptr, nullptr);  // waits for a buffer in progress
    recState_ = state | rsStopping;
    FinishRecording();
    recordingTap_.Reset();
    recState_ = 0;
  }
  view_.RecorderStateChanged();
}

void Recorder::SetPaused(bool on) {
  const std::uint8_t state = recState_;
  if (((state & rsPaused) != 0) == on || (state & rsStopping) != 0) {
    return;
  }
  recState_ = on ? (state | rsPaused) : (state & ~rsPaused);
  view_.RecorderStateChanged();
}

void Recorder::ContinueInNewFile() {
  silent_ = true;
  FinishRecording();
  if (!writeFailed_ && recordingTap_->GetSampleKind() != skUnsupported && PrepareRecording(*recordingTap_.Get())) {
    view_.PostNewFile();
  }
  silent_ = false;
}

std::uint64_t Recorder::WriteWav(const std::uint8_t* data, std::uint32_t length) {
  // A WAV file must not wrap its sizes: the recording goes on in the next file.
  if (!wav_->Fits(length)) {
    ContinueInNewFile();
    if (!file_.IsOpen()) {
      return 0;
    }
  }
  const std::uint64_t before = wav_->BytesWritten();
  wav_->Write(data, length);
  bytesWritten_ = wav_->BytesWritten();
  return bytesWritten_ > before ? bytesWritten_ - before : 0;
}

std::uint64_t Recorder::WriteBuffer(const std::uint8_t* data, std::uint32_t length) {
  if (recordingFormat_ == rfWav && wav_) {
    return WriteWav(data, length);
  }
  if (recordingFormat_ == rfMp3 && mp3_) {
    EncodeMp3(data, length);
  } else if (recordingFormat_ == rfOgg && ogg_) {
    EncodeOgg(data, length);
  }
  return file_.Failed() ? 0 : length;
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
  // Without a file (an unsupported format, or a failed restart) the next change is awaited.
  if (file_.IsOpen()) {
    recordedSeconds_ += static_cast<double>(WriteBuffer(data, length)) / pcmFormat_.nAvgBytesPerSec;
  }
  if (file_.Failed()) {
    ReportWriteFailure();
  }
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
