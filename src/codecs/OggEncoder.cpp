#include "codecs/OggEncoder.h"

#include <chrono>
#include <random>

namespace sonotape {

namespace {

constexpr int kAverageBitrates[] = {48, 64, 80, 96, 112, 128, 160, 192, 224, 256, 350, 500};

// A fresh serial number for every logical stream.
int NewSerialNumber() {
  const auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::mt19937 generator(static_cast<std::uint32_t>(seed ^ (seed >> 32)));
  return std::uniform_int_distribution<int>(0, 2147483646)(generator);
}

// A page goes into the file whole or not at all; the bytes written.
std::size_t WritePage(const ogg_page& page, RecordingFile& file) {
  return AppendWhole(file, page.header, static_cast<std::size_t>(page.header_len), page.body,
                     static_cast<std::size_t>(page.body_len));
}

}  // namespace

int OggAverageBitrate(int quality) {
  const int index = quality < -1 ? 0 : quality > 10 ? 11 : quality + 1;
  return kAverageBitrates[index];
}

bool OggEncoder::Start(const OggSettings& settings, unsigned channels, std::uint32_t sampleRate,
                       const std::string& title, RecordingFile& file, std::string& failure) {
  vorbis_.vorbis_info_init(&info_);
  infoReady_ = true;
  const long rate = static_cast<long>(sampleRate);
  const int result =
      settings.variableBitRate
          ? encoder_.vorbis_encode_init_vbr(&info_, static_cast<long>(channels), rate,
                                            static_cast<float>(settings.quality) / 10.0f)
          : encoder_.vorbis_encode_init(&info_, static_cast<long>(channels), rate, -1,
                                        OggAverageBitrate(settings.quality) * 1000L, -1);
  if (result != 0) {
    failure = "Initializing the Ogg Vorbis encoder failed\r\n(the selected bitrate may be too low)";
    return false;
  }
  vorbis_.vorbis_comment_init(&comment_);
  vorbis_.vorbis_comment_add(&comment_, ("TITLE=" + title).c_str());
  vorbis_.vorbis_analysis_init(&dsp_, &info_);
  vorbis_.vorbis_block_init(&dsp_, &block_);
  analysing_ = true;
  ogg_.ogg_stream_init(&stream_, NewSerialNumber());
  streaming_ = true;
  ogg_packet identification{}, commentHeader{}, setup{};
  vorbis_.vorbis_analysis_headerout(&dsp_, &comment_, &identification, &commentHeader, &setup);
  ogg_.ogg_stream_packetin(&stream_, &identification);
  ogg_.ogg_stream_packetin(&stream_, &commentHeader);
  ogg_.ogg_stream_packetin(&stream_, &setup);
  headerBytes_ = 0;
  for (ogg_page page{}; ogg_.ogg_stream_flush(&stream_, &page) != 0;) {
    const std::size_t written = WritePage(page, file);
    if (written == 0) {
      return false;  // the file says why
    }
    headerBytes_ += written;
  }
  return true;
}

float** OggEncoder::Buffer(std::size_t n) { return vorbis_.vorbis_analysis_buffer(&dsp_, static_cast<int>(n)); }

std::size_t OggEncoder::EncodeChunk(std::size_t n, RecordingFile& file) {
  vorbis_.vorbis_analysis_wrote(&dsp_, static_cast<int>(n));
  return Drain(file, false);
}

std::size_t OggEncoder::Drain(RecordingFile& file, bool finishing) {
  std::size_t bytes = 0;
  bool ended = false;
  ogg_packet packet{};
  ogg_page page{};
  while (vorbis_.vorbis_analysis_blockout(&dsp_, &block_) == 1) {
    if (vorbis_.vorbis_analysis(&block_, nullptr) != 0 || vorbis_.vorbis_bitrate_addblock(&block_) != 0) {
      continue;
    }
    while (vorbis_.vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
      if (ogg_.ogg_stream_packetin(&stream_, &packet) != 0) {
        continue;
      }
      while (!ended && ogg_.ogg_stream_pageout(&stream_, &page) != 0) {
        bytes += WritePage(page, file);
        ended = finishing && ogg_.ogg_page_eos(&page) > 0;  // nothing follows the last page
      }
    }
  }
  return bytes;
}

std::size_t OggEncoder::Finish(RecordingFile& file) {
  std::size_t bytes = 0;
  if (streaming_) {
    vorbis_.vorbis_analysis_wrote(&dsp_, 0);
    bytes = Drain(file, true);
  }
  Release();
  return bytes;
}

void OggEncoder::Release() {
  if (streaming_) ogg_.ogg_stream_clear(&stream_);
  if (analysing_) {
    vorbis_.vorbis_block_clear(&block_);
    vorbis_.vorbis_dsp_clear(&dsp_);
    vorbis_.vorbis_comment_clear(&comment_);
  }
  if (infoReady_) vorbis_.vorbis_info_clear(&info_);
  streaming_ = analysing_ = infoReady_ = false;
}

}  // namespace sonotape
