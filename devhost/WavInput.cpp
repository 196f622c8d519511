#include "WavInput.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace devhost {

namespace {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr std::uint32_t kLargestChunk = 1u << 30;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::uint32_t Le(const std::uint8_t* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = value << 8 | bytes[i];
  }
  return value;
}

bool ReadExact(std::FILE* file, void* out, std::size_t bytes) { return std::fread(out, 1, bytes, file) == bytes; }

bool ParseFmt(const std::vector<std::uint8_t>& fmt, ToneFormat& format, std::string& error) {
  if (fmt.size() < 16) {
    error = "the fmt chunk is too short";
    return false;
  }
  std::uint16_t tag = static_cast<std::uint16_t>(Le(&fmt[0], 2));
  format = ToneFormat{};
  format.channels = Le(&fmt[2], 2);
  format.rate = Le(&fmt[4], 4);
  format.bits = Le(&fmt[14], 2);
  if (tag == kTagExtensible && fmt.size() >= 40) {
    format.extensible = true;
    tag = static_cast<std::uint16_t>(Le(&fmt[24], 2));  // the sub-format GUID's first field
  }
  format.isFloat = tag == kTagFloat;
  const std::string text = std::to_string(format.rate) + ":" + std::to_string(format.channels) + ":" +
                           std::to_string(format.bits) + (format.isFloat ? ":float" : format.extensible ? ":ext" : ":plain");
  ToneFormat checked;
  if ((tag != kTagPcm && tag != kTagFloat) || !ParseToneFormat(text, checked)) {
    error = "the file's format (tag " + std::to_string(tag) + ", " + text + ") cannot be played";
    return false;
  }
  return true;
}

}  // namespace

bool ReadWavInput(const std::string& path, ToneFormat& format, std::vector<std::uint8_t>& data, std::string& error) {
  const File file(std::fopen(path.c_str(), "rb"));
  std::uint8_t riff[12];
  if (!file || !ReadExact(file.get(), riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0) {
    error = path + " is not a WAV file";
    return false;
  }
  bool haveFormat = false;
  for (std::uint8_t header[8]; ReadExact(file.get(), header, sizeof header);) {
    const std::uint32_t size = Le(header + 4, 4);
    const bool isFmt = std::memcmp(header, "fmt ", 4) == 0;
    const bool isData = std::memcmp(header, "data", 4) == 0;
    if (size > kLargestChunk && (isFmt || isData)) {
      error = path + ": a chunk of " + std::to_string(size) + " bytes is more than the host plays";
      return false;
    }
    if (isFmt || (isData && haveFormat)) {
      std::vector<std::uint8_t> chunk(size);
      const std::size_t read = std::fread(chunk.data(), 1, size, file.get());
      const bool complete = read == size;
      if (isFmt) {
        if (!complete || !ParseFmt(chunk, format, error)) {
          error = error.empty() ? path + ": the fmt chunk is cut off" : error;
          return false;
        }
        haveFormat = true;
      } else {
        chunk.resize(read - read % format.BlockAlign());  // a cut-off file plays what it has
        data = std::move(chunk);
        if (data.empty()) error = path + " holds no samples";
        return !data.empty();
      }
    } else if (std::fseek(file.get(), static_cast<long>(size + (size & 1)), SEEK_CUR) != 0) {
      break;
    }
    if (isFmt && (size & 1) != 0 && std::fgetc(file.get()) == EOF) {
      break;
    }
  }
  error = path + " has no " + (haveFormat ? "data" : "fmt") + " chunk";
  return false;
}

}  // namespace devhost
