// The tags of the compressed formats as independent tools read them: the ID3v2.3 tag by mutagen,
// the Vorbis comments of Ogg Vorbis and FLAC files by vorbiscomment and metaflac; and the length
// of a tag a file starts with.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/OggSink.h"
#include "codecs/Tags.h"
#include "support/FlacRecording.h"
#include "support/MemoryStream.h"
#include "support/PcmFormats.h"
#include "support/Program.h"
#include "support/TestFolder.h"

namespace sonotape {
namespace {

using testsupport::RunCommand;

RecordingTags FullTags(const std::string& title, const std::string& artist) {
  RecordingTags tags;
  tags.title = title;
  tags.artist = artist;
  tags.year = 2026;
  tags.month = 3;
  tags.day = 7;
  return tags;
}

class TaggedFiles : public ::testing::Test {
 protected:

  std::string Save(const std::string& name, const std::string& bytes) {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // Each frame of the ID3 tag in path as mutagen reads it: "ID encoding text", after the version.
  static std::string Id3FramesOf(const std::string& path) {
    const auto result = RunCommand(
        "PYTHONIOENCODING=utf-8 /usr/bin/python3 -c 'import sys; from mutagen.id3 import ID3\n"
        "tag = ID3(sys.argv[1], translate=False)\nprint(tag.version)\n"
        "for frame in tag.values(): print(frame.FrameID, int(frame.encoding), frame.text[0])' '" +
        path + "'");
    EXPECT_EQ(result.status, 0) << result.printed;
    return result.printed;
  }

  testsupport::TestFolder folder_{"tags"};
};

TEST_F(TaggedFiles, AnId3v23TagKeepsLatin1TextInLatin1AndTheRestInUtf16) {
  const std::vector<std::uint8_t> latin = Id3v2Tag(FullTags("Café au lait 2026-03-07", "Das Erste"));
  EXPECT_EQ(Id3FramesOf(Save("latin.mp3", std::string(latin.begin(), latin.end()))),
            "(2, 3, 0)\n"
            "TIT2 0 Café au lait 2026-03-07\n"
            "TPE1 0 Das Erste\n"
            "TYER 0 2026\n"
            "TDAT 0 0703\n"
            "TSSE 0 " + std::string(kEncoderName) + "\n");
  EXPECT_EQ(latin[3], 3) << "version 2.3";

  const std::vector<std::uint8_t> wide = Id3v2Tag(FullTags("Новости 日本 𝄞", "ČT1"));
  const std::string frames = Id3FramesOf(Save("wide.mp3", std::string(wide.begin(), wide.end())));
  EXPECT_NE(frames.find("TIT2 1 Новости 日本 𝄞\n"), std::string::npos) << frames;
  EXPECT_NE(frames.find("TPE1 1 ČT1\n"), std::string::npos) << frames;
  EXPECT_NE(frames.find("TYER 0 2026\n"), std::string::npos) << frames;
}

TEST_F(TaggedFiles, FieldsWithoutAValueAreLeftOutAndMalformedTextIsReplaced) {
  RecordingTags tags;
  tags.title = "a\xC3(b\xF0\x9F";  // a broken two-byte and a cut four-byte sequence
  const std::vector<std::uint8_t> tag = Id3v2Tag(tags);
  EXPECT_EQ(Id3FramesOf(Save("bare.mp3", std::string(tag.begin(), tag.end()))),
            "(2, 3, 0)\nTIT2 1 a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD\nTSSE 0 " + std::string(kEncoderName) + "\n");
  EXPECT_EQ(VorbisComments(tags), (std::vector<std::string>{"TITLE=a\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD",
                                                            "ENCODER=" + tags.encoder}));
}

TEST_F(TaggedFiles, OggVorbisAndFlacCarryTheFieldsAsVorbisComments) {
  const RecordingTags tags = FullTags("Abendnachrichten 2026-03-07 19-00", "ZDF ärger 日本 𝄞");
  const std::string expected = "TITLE=Abendnachrichten 2026-03-07 19-00\nARTIST=ZDF ärger 日本 𝄞\nDATE=2026-03-07\n"
                               "ENCODER=" + std::string(kEncoderName) + "\n";
  const PcmFormat format = testsupport::PlainFormat(kFormatPcm, 2, 16, 48000);
  const std::vector<std::uint8_t> input(48000 * 4, 0);

  testsupport::MemoryStream ogg;
  RecordingError error;
  std::unique_ptr<RecordingSink> sink = MakeOggSink(OggSettings{}, skIntegerPcm, format, error);
  ASSERT_TRUE(sink);
  std::string failure;
  ASSERT_TRUE(sink->Open(ogg, tags, failure)) << failure;
  sink->Write(input.data(), static_cast<std::uint32_t>(input.size()));
  sink->Finish(true);
  const auto vorbis = RunCommand("vorbiscomment -l '" + Save("take.ogg", ogg.Contents()) + "'");
  EXPECT_EQ(vorbis.printed, expected);

  const std::string flac = Save("take.flac", testsupport::RecordFlac(format, skIntegerPcm, input, true, 5, tags).Contents());
  const auto comments = RunCommand("metaflac --export-tags-to=- '" + flac + "'");
  EXPECT_EQ(comments.printed, expected);
}

TEST(Id3v2TagLength, CountsTheHeaderTheSyncSafeSizeAndAFooter) {
  const std::vector<std::uint8_t> tag = Id3v2Tag(FullTags("take", ""));
  EXPECT_EQ(Id3v2TagLength(tag.data(), tag.size()), tag.size());
  const std::uint8_t large[] = {'I', 'D', '3', 3, 0, 0, 0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(Id3v2TagLength(large, sizeof large), 10u + ((1u << 21) | (2u << 14) | (3u << 7) | 4u));
  const std::uint8_t footed[] = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 100};
  EXPECT_EQ(Id3v2TagLength(footed, sizeof footed), 120u) << "a version 2.4 footer";
  const std::uint8_t notSyncSafe[] = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x80, 0};
  EXPECT_EQ(Id3v2TagLength(notSyncSafe, sizeof notSyncSafe), 0u);
  const std::uint8_t frame[] = {0xFF, 0xFB, 0x90, 0x44, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Id3v2TagLength(frame, sizeof frame), 0u);
  EXPECT_EQ(Id3v2TagLength(tag.data(), 9), 0u) << "a header cut short";
}

}  // namespace
}  // namespace sonotape
