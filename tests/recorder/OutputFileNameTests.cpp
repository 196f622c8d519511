#include "recorder/OutputFileName.h"

#include <gtest/gtest.h>

#include <set>

namespace sonotape {
namespace {

const LocalTime kNow{"Dec", 8, 7, 5, 9};

struct Disk {
  std::set<std::string> folders{"C:\\Rec", "C:\\Music\\"};
  std::set<std::string> files;
  OutputName Name(const FileNaming& naming) {
    return BuildOutputFileName(
        naming, kNow, [this](const std::string& f) { return folders.count(f) > 0; },
        [this](const std::string& f) { return files.count(f) > 0; });
  }
};

FileNaming Naming(std::string typed, bool appendDateTime, RecordingFormat format = rfWav) {
  FileNaming naming;
  naming.typedName = std::move(typed);
  naming.appendDateTime = appendDateTime;
  naming.outputFolder = "C:\\Rec";
  naming.defaultFolder = "C:\\Music\\";
  naming.format = format;
  return naming;
}

TEST(BuildOutputFileName, ExistingFilesGetNumbers) {
  Disk disk;
  OutputName name = disk.Name(Naming("news", false));
  EXPECT_EQ(name.fileName, "C:\\Rec\\news.wav");
  disk.files.insert(name.fileName);
  EXPECT_EQ(disk.Name(Naming("news", false)).fileName, "C:\\Rec\\news 01.wav");
  for (int n = 1; n <= 99; ++n) disk.files.insert("C:\\Rec\\news " + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".wav");
  EXPECT_EQ(disk.Name(Naming("news", false)).fileName, "C:\\Rec\\news 100.wav");
  const OutputName full = BuildOutputFileName(
      Naming("news", false), kNow, [](const std::string&) { return true; }, [](const std::string&) { return true; });
  EXPECT_EQ(full.fileName, "");  // never an existing file to overwrite
}

TEST(BuildOutputFileName, TitleTimeExtensionAndFolderFallback) {
  Disk disk;
  OutputName name = disk.Name(Naming(" a/b:c.d ", true, rfMp3));
  EXPECT_EQ(name.shownName, "abcd");
  EXPECT_EQ(name.fileName, "C:\\Rec\\abcd Dec-08 07-05-09.mp3");
  FileNaming scheduled = Naming("typed", false, rfOgg);
  scheduled.scheduledTitle = "Film: Part 2";
  EXPECT_EQ(disk.Name(scheduled).fileName, "C:\\Rec\\Film Part 2.ogg");
  FileNaming nameless = Naming("", false);
  nameless.outputFolder = "D:\\gone";
  name = disk.Name(nameless);
  EXPECT_EQ(name.shownFolder, "C:\\Music\\");
  EXPECT_EQ(name.fileName, "C:\\Music\\Dec-08 07-05-09.wav");  // no name: the time alone
  nameless.defaultFolder.clear();
  EXPECT_EQ(disk.Name(nameless).fileName, "\\Dec-08 07-05-09.wav");
}

}  // namespace
}  // namespace sonotape
