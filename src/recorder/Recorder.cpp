#include "recorder/Recorder.h"

#include <new>

#include "recorder/SampleConversion.h"

namespace sonotape {

namespace {

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

Recorder::Recorder(RecorderView& view, std::uint64_t maxFileLength) : view_(view), maxFileLength_(maxFileLength) {}

Recorder::~Recorder() { SetRecording(false); }

void Recorder::AttachGraph(IGraphBuilder* graph) { graph_ = graph; }

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
  ISampleInterface* samples = tap_.sampleIntf.Get();
  if (samples != nullptr) {
    samples->Lock();
  }
  const RecordingStats stats{recordedSeconds_, bytesWritten_};
  if (samples != nullptr) {
    samples->Unlock();
  }
  return stats;
}

RecordedFile Recorder::CurrentFile() {
  ISampleInterface* samples = tap_.sampleIntf.Get();
  if (samples != nullptr) {
    samples->Lock();
  }
  RecordedFile file{LastName().fileName, pcmFormat_};
  if (samples != nullptr) {
    samples->Unlock();
  }
  return file;
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
    title = title.substr(0, title.find_last_of('.'));
  }
  ogg_.reset(new (std::nothrow) OggEncoder(libraries));
  std::string failure = "There is not enough memory available";
  if (!ogg_ || !ogg_->Start(settings, pcmFormat_.nChannels, pcmFormat_.nSamplesPerSec, title, file_, failure)) {
    RecorderMessage(failure, kErrorIcon);
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
    RecorderMessage("Writing the file \r\n" + LastName().fileName + "\r\nfailed", kErrorIcon);
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
    wav_->Patch();
  }
  const bool mp3 = recordingFormat_ == rfMp3 && mp3_;
  if (mp3) {
    bytesWritten_ += mp3_->Finish(file_);
  }
  if (ogg_) {
    bytesWritten_ += ogg_->Finish(file_);
  }
  CloseOutputFile();
  if (mp3) {
    mp3_->WriteVbrHeader(LastName().fileName);
  }
}

bool Recorder::PrepareRecording(bool onStreamingThread) {
  if (!graph_) {
    return false;
  }
  // The streaming thread must not enumerate the host's graph: the tap it runs in is known.
  if (!onStreamingThread && !ConnectTap()) {
    return false;
  }
  if (!tap_.tapFilter) {
    RecorderMessage("No connection to the filter graph - cannot record", kErrorIcon);
    return false;
  }
  ISampleInterface& samples = *tap_.sampleIntf.Get();
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
    CloseOutputFile();
    pcmFormat_ = previous;
    return false;
  }
  recordedSeconds_ = 0;
  return true;
}

void Recorder::SetRecording(bool on) {
  const std::uint8_t state = recState_;
  if (((state & rsRecording) != 0) == on || (state & rsStopping) != 0) {
    return;
  }
  if (on) {
    view_.StopPlayback();
    if (!PrepareRecording(false)) {
      CloseOutputFile();
      return;
    }
    tap_.sampleIntf->SetCallback(&Recorder::OnSampleBuffer, this);
    recState_ = rsRecording;
  } else {
    if (tap_.sampleIntf) {
      tap_.sampleIntf->SetCallback(nullptr, nullptr);  // waits for a buffer in progress
    }
    recState_ = state | rsStopping;
    FinishRecording();
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
  if (tap_.sampleIntf->GetSampleKind() != skUnsupported && PrepareRecording(true)) {
    view_.PostNewFile();
  }
  silent_ = false;
}

void Recorder::ProcessBuffer(const std::uint8_t* data, std::uint32_t length) {
  ISampleInterface& samples = *tap_.sampleIntf.Get();
  if (samples.GetFormatChanged()) {
    samples.SetFormatChanged(FALSE);
    ContinueInNewFile();
  }
  if (!file_.IsOpen()) {
    return;  // an unsupported format, or a failed restart: wait for the next change
  }
  if (recordingFormat_ == rfMp3 && mp3_) {
    EncodeMp3(data, length);
  } else if (recordingFormat_ == rfOgg && ogg_) {
    EncodeOgg(data, length);
  } else if (recordingFormat_ == rfWav && wav_) {
    // A WAV file must not wrap its sizes: the recording goes on in the next file.
    if (!wav_->Fits(length)) {
      ContinueInNewFile();
      if (!file_.IsOpen()) {
        return;
      }
    }
    wav_->Write(data, length);
    bytesWritten_ = wav_->BytesWritten();
  }
  recordedSeconds_ += static_cast<double>(length) / pcmFormat_.nAvgBytesPerSec;
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
