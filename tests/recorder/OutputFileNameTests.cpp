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
  scheduled.format = rfFlac;
  EXPECT_EQ(disk.Name(scheduled).fileName, "C:\\Rec\\Film Part 2.flac");
  FileNaming nameless = Naming("", false);
  nameless.outputFolder = "D:\\gone";
  name = disk.Name(nameless);
  EXPECT_EQ(name.shownFolder, "C:\\Music\\");
  EXPECT_EQ(name.fileName, "C:\\Music\\Dec-08 07-05-09.wav");  // no name: the time alone
  nameless.defaultFolder.clear();
  EXPECT_EQ(disk.Name(nameless).fileName, "\\Dec-08 07-05-09.wav");
}

TEST(BuildOutputFileName, LongNamesAreCutSoThatThePathFitsKeepingTimeNumberAndExtension) {
  Disk disk;
  const std::string folder(100, 'f');
  disk.folders.insert("C:\\" + folder);
  const std::string title = "Night " + std::string(294, 'x');  // 300 characters
  FileNaming scheduled = Naming("typed", true, rfOgg);
  scheduled.outputFolder = "C:\\" + folder;
  scheduled.scheduledTitle = title;
  OutputName name = disk.Name(scheduled);
  const std::string start = "C:\\" + folder + "\\Night xxx";
  const std::string end = "xxx Dec-08 07-05-09.ogg";
  EXPECT_EQ(name.fileName.size(), kMaxPathLength);
  EXPECT_EQ(name.fileName.rfind(start, 0), 0u);
  EXPECT_EQ(name.fileName.substr(name.fileName.size() - end.size()), end);
  EXPECT_EQ(name.shownName, name.fileName.substr(104, name.fileName.size() - 104 - 20));  // the name as cut
  disk.files.insert(name.fileName);
  name = disk.Name(scheduled);
  EXPECT_EQ(name.fileName.size(), kMaxPathLength);
  EXPECT_EQ(name.fileName.substr(name.fileName.size() - 26), "xxx Dec-08 07-05-09 01.ogg");

  // A typed name (or the host's channel name in its box) without the time, cut before spaces.
  FileNaming typed = Naming(std::string(150, 'a') + "   " + std::string(200, 'b'), false);
  typed.outputFolder = "C:\\" + folder;
  name = disk.Name(typed);
  EXPECT_EQ(name.fileName, "C:\\" + folder + "\\" + std::string(150, 'a') + ".wav");
  EXPECT_EQ(name.shownName, std::string(150, 'a'));
  const std::string exact = std::string(259 - 104 - 4, 'c');  // fits exactly: kept whole
  typed.typedName = exact;
  EXPECT_EQ(disk.Name(typed).fileName, "C:\\" + folder + "\\" + exact + ".wav");

  // A folder that leaves no room for the name: the name stays, and the open says the path failed.
  const std::string deep = "C:\\" + std::string(252, 'd');
  disk.folders.insert(deep);
  typed.outputFolder = deep;
  typed.typedName = "news";
  EXPECT_EQ(disk.Name(typed).fileName, deep + "\\news.wav");
}

}  // namespace
}  // namespace sonotape
