#include "codecs/Tags.h"

#include <cstdio>
#include <utility>

namespace sonotape {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code points of UTF-8 text; a malformed sequence becomes one replacement character.
std::u32string DecodeUtf8(const std::string& text) {
  std::u32string points;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1Fu : length == 3 ? lead & 0x0Fu : lead & 0x07u;
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      point = (point << 6) | (next & 0x3Fu);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && point >= kSmallest[length] && point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
    points.push_back(valid ? point : kReplacement);
    i += valid ? length : 1;
  }
  return points;
}

// The text with each malformed sequence replaced: what a Vorbis comment may hold.
std::string ValidUtf8(const std::string& text) {
  std::string out;
  for (const char32_t point : DecodeUtf8(text)) {
    const int more = point < 0x80 ? 0 : point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
    constexpr unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out.push_back(static_cast<char>(kLead[more] | (point >> (6 * more))));
    for (int k = more - 1; k >= 0; --k) {
      out.push_back(static_cast<char>(0x80 | ((point >> (6 * k)) & 0x3F)));
    }
  }
  return out;
}

void AppendBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

void AppendUtf16(std::vector<std::uint8_t>& out, char32_t point) {
  const auto unit = [&out](std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
  };
  if (point < 0x10000) {
    unit(point);
  } else {
    unit(0xD800 + ((point - 0x10000) >> 10));
    unit(0xDC00 + ((point - 0x10000) & 0x3FF));
  }
}

// A text frame's body: the encoding byte and the text, without a terminator.
std::vector<std::uint8_t> TextFrameBody(const std::string& utf8) {
  const std::u32string points = DecodeUtf8(utf8);
  bool latin1 = true;
  for (const char32_t point : points) {
    latin1 = latin1 && point <= 0xFF;
  }
  std::vector<std::uint8_t> body{static_cast<std::uint8_t>(latin1 ? 0 : 1)};
  if (!latin1) {
    body.insert(body.end(), {0xFF, 0xFE});  // little-endian
  }
  for (const char32_t point : points) {
    if (latin1) {
      body.push_back(static_cast<std::uint8_t>(point));
    } else {
      AppendUtf16(body, point);
    }
  }
  return body;
}

void AppendTextFrame(std::vector<std::uint8_t>& tag, const char (&id)[5], const std::string& text) {
  if (text.empty()) {
    return;
  }
  const std::vector<std::uint8_t> body = TextFrameBody(text);
  tag.insert(tag.end(), id, id + 4);
  AppendBigEndian32(tag, static_cast<std::uint32_t>(body.size()));
  tag.insert(tag.end(), {0, 0});  // no flags
  tag.insert(tag.end(), body.begin(), body.end());
}

std::string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

bool HasDate(const RecordingTags& tags) {
  return tags.year > 0 && tags.year <= 9999 && tags.month >= 1 && tags.month <= 12 && tags.day >= 1 && tags.day <= 31;
}

}  // namespace

std::vector<std::string> VorbisComments(const RecordingTags& tags) {
  std::vector<std::string> comments;
  const auto add = [&comments](const char* key, const std::string& value) {
    if (!value.empty()) {
      std::string comment(key);
      comment += '=';
      comment += ValidUtf8(value);
      comments.push_back(std::move(comment));
    }
  };
  add("TITLE", tags.title);
  add("ARTIST", tags.artist);
  add("DATE", HasDate(tags) ? Digits(tags.year, 4) + "-" + Digits(tags.month, 2) + "-" + Digits(tags.day, 2) : "");
  add("ENCODER", tags.encoder);
  return comments;
}

std::vector<std::uint8_t> Id3v2Tag(const RecordingTags& tags) {
  std::vector<std::uint8_t> tag{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
  AppendTextFrame(tag, "TIT2", tags.title);
  AppendTextFrame(tag, "TPE1", tags.artist);
  if (HasDate(tags)) {
    AppendTextFrame(tag, "TYER", Digits(tags.year, 4));
    AppendTextFrame(tag, "TDAT", Digits(tags.day, 2) + Digits(tags.month, 2));
  }
  AppendTextFrame(tag, "TSSE", tags.encoder);
  const std::size_t size = tag.size() - kId3v2HeaderSize;  // as 4 bytes of 7 bits each
  for (int i = 0; i < 4; ++i) {
    tag[kId3v2HeaderSize - 1 - i] = static_cast<std::uint8_t>((size >> (7 * i)) & 0x7F);
  }
  return tag;
}

std::uint64_t Id3v2TagLength(const std::uint8_t* data, std::size_t size) {
  if (size < kId3v2HeaderSize || data[0] != 'I' || data[1] != 'D' || data[2] != '3' || data[3] == 0xFF ||
      data[4] == 0xFF) {
    return 0;
  }
  std::uint64_t length = 0;
  for (std::size_t i = 6; i < kId3v2HeaderSize; ++i) {
    if (data[i] >= 0x80) {
      return 0;
    }
    length = (length << 7) | data[i];
  }
  const bool footer = data[3] >= 4 && (data[5] & 0x10) != 0;
  return kId3v2HeaderSize + length + (footer ? kId3v2HeaderSize : 0);
}

}  // namespace sonotape
