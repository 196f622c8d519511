#include "player/OggReader.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "player/StreamAccess.h"

namespace sonotape {

namespace {

constexpr std::size_t kSampleBytes = 2;

void Swap(std::uint8_t* frame, int a, int b) {
  std::uint8_t sample[kSampleBytes];
  std::memcpy(sample, frame + a * kSampleBytes, kSampleBytes);
  std::memcpy(frame + a * kSampleBytes, frame + b * kSampleBytes, kSampleBytes);
  std::memcpy(frame + b * kSampleBytes, sample, kSampleBytes);
}

}  // namespace

void ReorderVorbisChannels(std::uint8_t* pcm, std::size_t bytes, unsigned channels) {
  if (channels != 3 && channels != 5 && channels != 6) {
    return;
  }
  const std::size_t frameBytes = channels * kSampleBytes;
  for (std::size_t at = 0; at + frameBytes <= bytes; at += frameBytes) {
    std::uint8_t* frame = pcm + at;
    Swap(frame, 1, 2);  // FL FC FR -> FL FR FC
    if (channels == 6) {
      Swap(frame, 3, 5);  // RL RR LFE -> LFE RR RL
      Swap(frame, 4, 5);  // -> LFE RL RR
    }
  }
}

bool OggReader::Open(PlayerStream& stream, PcmFormat& format, std::string& errorText) {
  Close();
  stream_ = &stream;
  if (!vorbisfile_.Load()) {
    errorText = "VorbisFile.dll is required for Ogg Vorbis playback";
    return false;
  }
  if (!OpenDecoder()) {
    return false;
  }
  channels_ = format.nChannels;
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<std::uint16_t>(kSampleBytes * format.nChannels);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  if (format.wFormatTag == kFormatExtensible) {
    format.wValidBitsPerSample = 16;
    format.SubFormat = kSubtypePcm;
  } else {
    format.wFormatTag = kFormatPcm;
  }
  return true;
}

std::size_t OggReader::ReadChunk(std::uint8_t* buffer, std::size_t size) {
  if (!decoderOpen_) {
    return 0;
  }
  const std::size_t frameBytes = kSampleBytes * std::max(channels_, 1u);
  std::size_t done = 0;
  while (size - done >= frameBytes) {
    const int room = static_cast<int>(std::min<std::size_t>(size - done, INT_MAX));
    const long got = vorbisfile_.Entries().ov_read(&file_, reinterpret_cast<char*>(buffer + done), room, 0, 2, 1, nullptr);
    if (got == OV_HOLE) {
      continue;  // a gap in the data: decoding goes on behind it
    }
    if (got <= 0 || got > room) {
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  ReorderVorbisChannels(buffer, done, channels_);
  return done;
}

bool OggReader::Reposition(double targetSeconds, double) {
  if (stream_ == nullptr) {
    return false;
  }
  if (decoderOpen_) {
    vorbisfile_.Entries().ov_clear(&file_);
    decoderOpen_ = false;
  }
  return SeekStream(*stream_, 0) && OpenDecoder() &&
         vorbisfile_.Entries().ov_time_seek(&file_, std::max(targetSeconds, 0.0)) == 0;
}

void OggReader::Close() {
  if (decoderOpen_) {
    vorbisfile_.Entries().ov_clear(&file_);
    decoderOpen_ = false;
  }
  stream_ = nullptr;
}

bool OggReader::OpenDecoder() {
  const VorbisFileEntries& ov = vorbisfile_.Entries();
  if (ov.ov_open_callbacks == nullptr || ov.ov_read == nullptr || ov.ov_time_seek == nullptr || ov.ov_clear == nullptr) {
    return false;
  }
  decoderOpen_ = ov.ov_open_callbacks(&stream_, &file_, nullptr, 0, vorbisfile_.StreamCallbacks()) == 0;
  return decoderOpen_;
}

}  // namespace sonotape
