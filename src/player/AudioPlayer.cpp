#include "player/AudioPlayer.h"

#include <new>
#include <system_error>
#include <utility>

#include "player/PlayerFile.h"
#include "player/PlayerRules.h"

namespace sonotape {

namespace {

// What a reader that had nothing to say about its failure could not do.
std::string UnreadableFileText(FileType type, const std::string& fileName) {
  switch (type) {
    case ftMp3:
      return "Cannot decode the MP3 file " + fileName;
    case ftOgg:
      return "Cannot decode the Ogg Vorbis file " + fileName;
    case ftFlac:
      return "Cannot decode the FLAC file " + fileName;
    case ftWav:
      break;
  }
  return "Cannot read the WAV file " + fileName;
}

}  // namespace

std::unique_ptr<TAudioPlayer> TAudioPlayer::Create() noexcept {
  try {
    std::unique_ptr<TAudioPlayer> player(new TAudioPlayer());
    player->worker_ = std::thread(&TAudioPlayer::Execute, player.get());
    return player;
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::system_error&) {
    return nullptr;
  }
}

TAudioPlayer::~TAudioPlayer() {
  Close();
  {
    std::lock_guard lock(workerLock_);
    terminating_ = true;
  }
  workerSignal_.notify_all();
  if (worker_.joinable()) {  // not when Create could not start it
    worker_.join();
  }
}

// Chunk after chunk while data flows; while there is none (paused, stopped at the end) it sleeps
// until Wake, which every return to running (Open, Resume, Seek) calls; nothing while parked.
// PutData holds the worker back while the graph is full.
void TAudioPlayer::Execute() {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  std::unique_lock lock(workerLock_);
  for (;;) {
    workerSignal_.wait(lock, [this] { return terminating_ || !parked_; });
    if (terminating_) {
      break;
    }
    kicked_ = false;
    inChunk_ = true;
    lock.unlock();
    const std::size_t produced = ProduceChunk();
    lock.lock();
    inChunk_ = false;
    workerSignal_.notify_all();
    if (produced > 0) {
      lock.unlock();
      std::this_thread::yield();
      lock.lock();
    } else {
      workerSignal_.wait(lock, [this] { return terminating_ || parked_ || kicked_; });
    }
  }
  lock.unlock();
  if (SUCCEEDED(com)) {
    CoUninitialize();
  }
}

// One chunk under the producer lock: read, count, hand over. The hand-over of 0 bytes at the
// end of the data stops production, so exactly one follows the last data; so does a hand-over
// that fails while no Halt is stopping the graph.
std::size_t TAudioPlayer::ProduceChunk() {
  std::lock_guard producer(producerLock_);
  if (state_ != psRunning) {
    return 0;
  }
  std::size_t bytes = 0;
  try {
    bytes = reader_->ReadChunk(chunk_.get(), chunkSize_);
  } catch (...) {
    bytes = 0;  // a file that cannot be read further ends there
  }
  if (bytes > 0) {
    std::lock_guard position(positionLock_);
    position_ += static_cast<double>(bytes) / outputFormat_.nAvgBytesPerSec;
  } else {
    state_ = psStopped;
  }
  const HRESULT handedOver = graph_.Source()->PutData(chunk_.get(), static_cast<INT32>(bytes));
  if (FAILED(handedOver) && !halting_) {
    FailProduction(handedOver);
  }
  return bytes;
}

// The graph reports the failure as one of its own, so the window learns that playback ended.
void TAudioPlayer::FailProduction(HRESULT failure) {
  state_ = psStopped;
  SetErrorText("Cannot deliver the sound to the filtergraph");
  graph_.ReportAbort(failure);
}

void TAudioPlayer::Wake() {
  {
    std::lock_guard lock(workerLock_);
    parked_ = false;
    kicked_ = true;
  }
  workerSignal_.notify_all();
}

void TAudioPlayer::Park() {
  std::unique_lock lock(workerLock_);
  parked_ = true;
  workerSignal_.notify_all();
  workerSignal_.wait(lock, [this] { return !inChunk_; });
}

// Stops the graph, which releases a hand-over blocked in the source (its failure is expected),
// and waits until the worker is outside its chunk: afterwards the reader is free for this thread.
void TAudioPlayer::Halt() {
  state_ = psStopped;
  halting_ = true;
  if (graph_.Control() != nullptr) {
    graph_.Control()->Stop();
  }
  std::lock_guard producer(producerLock_);
  halting_ = false;
}

bool TAudioPlayer::Open(const std::string& fileName, const PcmFormat& format, HWND window) {
  Close();
  SetErrorText({});
  outputFormat_ = format;
  fileName_ = fileName;
  window_ = window;
  if (!FileTypeFromName(fileName_, fileType_)) {
    return FailOpen("Cannot play file " + fileName_ + ": not a WAV, MP3, Ogg Vorbis or FLAC file");
  }
  stream_ = OpenPlayerFile(fileName_);
  if (!stream_) {
    return FailOpen("Cannot open file " + fileName_);
  }
  reader_ = CreateFileReader(fileType_);
  if (!reader_) {
    return FailOpen("Not enough memory");
  }
  std::string readerText;
  bool opened = false;
  try {
    opened = reader_->Open(*stream_, outputFormat_, readerText);
  } catch (...) {
    readerText.clear();
  }
  if (!opened) {
    return FailOpen(readerText.empty() ? UnreadableFileText(fileType_, fileName_) : readerText);
  }
  if (!graph_.Build(outputFormat_, window_)) {
    return FailOpen("Cannot build the filtergraph");
  }
  chunkSize_ = ChunkSize(fileType_, outputFormat_);
  chunk_.reset(new (std::nothrow) std::uint8_t[chunkSize_]);
  if (!chunk_) {
    return FailOpen("Not enough memory");
  }
  if (FAILED(graph_.Control()->Run())) {
    return FailOpen("Cannot run the filtergraph");
  }
  state_ = psRunning;
  Wake();
  return true;
}

bool TAudioPlayer::FailOpen(const std::string& text) {
  graph_.Release();
  ReleaseFile();
  SetErrorText(text);
  return false;
}

void TAudioPlayer::ReleaseFile() {
  if (reader_) {
    reader_->Close();
    reader_.reset();
  }
  stream_.reset();
  chunk_.reset();
  chunkSize_ = 0;
}

void TAudioPlayer::Close() {
  Halt();
  Park();
  graph_.Release();
  ReleaseFile();
  std::lock_guard position(positionLock_);
  position_ = 0;
}

bool TAudioPlayer::Pause() {
  if (state_ != psRunning || graph_.Control() == nullptr || FAILED(graph_.Control()->Pause())) {
    return false;
  }
  state_ = psPaused;
  return true;
}

bool TAudioPlayer::Resume() {
  if (state_ == psRunning || graph_.Control() == nullptr || FAILED(graph_.Control()->Run())) {
    return false;
  }
  state_ = psRunning;
  Wake();
  return true;
}

void TAudioPlayer::SetVolume(std::int32_t slider) {
  if (graph_.Audio() != nullptr) {
    graph_.Audio()->put_Volume(VolumeFromSlider(slider));
  }
}

double TAudioPlayer::GetPosition() {
  std::lock_guard position(positionLock_);
  return position_;
}

// A file of no length cannot be sought in; a failed seek leaves the graph stopped, also when the
// graph that was running does not run again.
bool TAudioPlayer::Seek(double totalSeconds, double targetSeconds) {
  const double target = SeekTarget(totalSeconds, targetSeconds);
  const PlayerState before = state_;
  Halt();
  bool positioned = false;
  if (reader_ && totalSeconds > 0) {
    try {
      positioned = reader_->Reposition(target, totalSeconds);
    } catch (...) {
      positioned = false;
    }
  }
  if (!positioned) {
    SetErrorText("Error when seeking the file position");
    return false;
  }
  {
    std::lock_guard position(positionLock_);
    position_ = target;
  }
  if (before == psRunning) {
    if (FAILED(graph_.Control()->Run())) {
      SetErrorText("Cannot run the filtergraph");
      return false;
    }
    state_ = psRunning;
    Wake();
  }
  return true;
}

void TAudioPlayer::SetErrorText(std::string text) {
  std::lock_guard error(errorLock_);
  errorText_ = std::move(text);
}

std::string TAudioPlayer::TakeErrorText() {
  std::string text;
  std::lock_guard error(errorLock_);
  text.swap(errorText_);
  return text;
}

}  // namespace sonotape
