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

// The encoder's states, each owned once set up; false when one cannot be set up.
bool OggEncoder::SetUp(const OggSettings& settings, unsigned channels, std::uint32_t sampleRate,
                       const std::vector<std::string>& comments) {
  vorbis_.vorbis_info_init(info_.Get());
  info_.Adopt(vorbis_.vorbis_info_clear);
  const long rate = static_cast<long>(sampleRate);
  const int result =
      settings.variableBitRate
          ? encoder_.vorbis_encode_init_vbr(info_.Get(), static_cast<long>(channels), rate,
                                            static_cast<float>(settings.quality) / 10.0f)
          : encoder_.vorbis_encode_init(info_.Get(), static_cast<long>(channels), rate, -1,
                                        OggAverageBitrate(settings.quality) * 1000L, -1);
  if (result != 0) {
    return false;
  }
  vorbis_.vorbis_comment_init(comment_.Get());
  comment_.Adopt(vorbis_.vorbis_comment_clear);
  for (const std::string& comment : comments) {
    vorbis_.vorbis_comment_add(comment_.Get(), comment.c_str());
  }
  if (vorbis_.vorbis_analysis_init(dsp_.Get(), info_.Get()) != 0) {
    return false;
  }
  dsp_.Adopt(vorbis_.vorbis_dsp_clear);
  if (vorbis_.vorbis_block_init(dsp_.Get(), block_.Get()) != 0) {
    return false;
  }
  block_.Adopt(vorbis_.vorbis_block_clear);
  if (ogg_.ogg_stream_init(stream_.Get(), NewSerialNumber()) != 0) {
    return false;
  }
  stream_.Adopt(ogg_.ogg_stream_clear);
  return true;
}

bool OggEncoder::Start(const OggSettings& settings, unsigned channels, std::uint32_t sampleRate,
                       const std::vector<std::string>& comments, RecordingFile& file, std::string& failure) {
  ogg_packet identification{}, commentHeader{}, setup{};
  if (!SetUp(settings, channels, sampleRate, comments) ||
      vorbis_.vorbis_analysis_headerout(dsp_.Get(), comment_.Get(), &identification, &commentHeader, &setup) != 0) {
    Release();
    failure = "Initializing the Ogg Vorbis encoder failed\r\n(the selected bitrate may be too low)";
    return false;
  }
  ogg_.ogg_stream_packetin(stream_.Get(), &identification);
  ogg_.ogg_stream_packetin(stream_.Get(), &commentHeader);
  ogg_.ogg_stream_packetin(stream_.Get(), &setup);
  headerBytes_ = 0;
  for (ogg_page page{}; ogg_.ogg_stream_flush(stream_.Get(), &page) != 0;) {
    const std::size_t written = WritePage(page, file);
    if (written == 0) {
      return false;  // the file says why
    }
    headerBytes_ += written;
  }
  return true;
}

float** OggEncoder::Buffer(std::size_t n) { return vorbis_.vorbis_analysis_buffer(dsp_.Get(), static_cast<int>(n)); }

std::size_t OggEncoder::EncodeChunk(std::size_t n, RecordingFile& file) {
  vorbis_.vorbis_analysis_wrote(dsp_.Get(), static_cast<int>(n));
  return Drain(file, false);
}

std::size_t OggEncoder::Drain(RecordingFile& file, bool finishing) {
  std::size_t bytes = 0;
  bool ended = false;
  ogg_packet packet{};
  ogg_page page{};
  while (vorbis_.vorbis_analysis_blockout(dsp_.Get(), block_.Get()) == 1) {
    if (vorbis_.vorbis_analysis(block_.Get(), nullptr) != 0 || vorbis_.vorbis_bitrate_addblock(block_.Get()) != 0) {
      continue;
    }
    while (vorbis_.vorbis_bitrate_flushpacket(dsp_.Get(), &packet) == 1) {
      if (ogg_.ogg_stream_packetin(stream_.Get(), &packet) != 0) {
        continue;
      }
      while (!ended && ogg_.ogg_stream_pageout(stream_.Get(), &page) != 0) {
        bytes += WritePage(page, file);
        ended = finishing && ogg_.ogg_page_eos(&page) > 0;  // nothing follows the last page
      }
    }
  }
  return bytes;
}

std::size_t OggEncoder::Finish(RecordingFile& file) {
  std::size_t bytes = 0;
  if (stream_.Ready()) {
    vorbis_.vorbis_analysis_wrote(dsp_.Get(), 0);
    bytes = Drain(file, true);
  }
  Release();
  return bytes;
}

void OggEncoder::Release() {
  stream_.Reset();
  block_.Reset();
  dsp_.Reset();
  comment_.Reset();
  info_.Reset();
}

}  // namespace sonotape
