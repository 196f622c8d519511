// The codec bindings against the real cross-built DLLs and against test doubles of our own:
// availability, the old-LAME refusal, retrying after a failed load, and both MPGLib generations.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PluginLibrary.h"
#include "codecs/LameDll.h"
#include "codecs/Mp3Settings.h"
#include "codecs/MpgLib.h"
#include "support/TempFolder.h"

namespace sonotape {
namespace {

std::string Folder(const char* name) { return devhost::PathBesideExecutable("") + "doubles\\" + name + "\\"; }
std::string Beside() { return devhost::PathBesideExecutable(""); }

bool IsLoaded(const std::string& path) { return GetModuleHandleA(path.c_str()) != nullptr; }

template <typename Fn>
Fn DoubleEntry(const std::string& path, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(path.c_str()), name)));
}

TEST(LameBinding, AnOldLibraryIsRefusedReleasedAndTriedAgainLater) {
  testsupport::TempFolder folder;
  const std::string dll = folder.File("lame_enc.dll");
  ASSERT_TRUE(CopyFileA((Folder("old-lame") + "lame_enc.dll").c_str(), dll.c_str(), FALSE));
  LameBinding lame(folder.Path() + "\\");
  EXPECT_FALSE(lame.Load());
  EXPECT_FALSE(IsLoaded(dll));  // not left loaded
  EXPECT_EQ(lame.Entries().beInitStream, nullptr);

  ASSERT_TRUE(CopyFileA((Beside() + "lame_enc.dll").c_str(), dll.c_str(), FALSE));  // the user installs a new one
  ASSERT_TRUE(lame.Load());
  EXPECT_TRUE(IsLoaded(dll));  // from the plug-in's folder, by full path
  EXPECT_TRUE(lame.Load());
  const LameEntries& e = lame.Entries();
  ASSERT_NE(e.beInitStream, nullptr);
  ASSERT_NE(e.beDeinitStream, nullptr);
  ASSERT_NE(e.beCloseStream, nullptr);
  ASSERT_NE(e.beWriteVBRHeader, nullptr);

  BE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  ReadMP3Settings(Mp3Controls{}, config);
  unsigned long samples = 0, bufferSize = 0;
  HBE_STREAM stream = nullptr;
  ASSERT_EQ(e.beInitStream(&config, &samples, &bufferSize, &stream), BE_ERR_SUCCESSFUL);
  EXPECT_GT(samples, 0u);
  EXPECT_GT(bufferSize, 0u);
  std::string output(bufferSize, '\0');
  unsigned long written = 0;
  EXPECT_EQ(e.beDeinitStream(stream, reinterpret_cast<unsigned char*>(output.data()), &written), BE_ERR_SUCCESSFUL);
  e.beCloseStream(stream);
}

TEST(LameBinding, AMissingLibraryIsUnavailable) {
  testsupport::TempFolder empty;
  // Nothing beside the "plug-in", and the bare name finds nothing either (the test's own folder
  // is searched first, so the bare name is checked only when it has no lame_enc.dll).
  LameBinding lame(empty.Path() + "\\");
  const bool anywhere = SearchPathA(nullptr, "lame_enc.dll", nullptr, 0, nullptr, nullptr) != 0;
  EXPECT_EQ(lame.Load(), anywhere);
}

TEST(MpgLibBinding, ClassicGenerationOwnsItsStateBlock) {
  MpgLibBinding mpg(Folder("mpglib-classic"));
  ASSERT_TRUE(mpg.Load());
  EXPECT_EQ(mpg.Interface(), MpgLibInterface::Classic);
  void* slot = nullptr;
  ASSERT_TRUE(mpg.Open(slot));
  ASSERT_NE(slot, nullptr);
  char out[16] = "";
  int produced = -5;
  EXPECT_EQ(mpg.Decode(slot, "abc", 3, out, sizeof out, produced), 0);
  EXPECT_EQ(produced, 3);
  EXPECT_EQ(std::string(out, 3), "abc");
  ASSERT_TRUE(mpg.Reset(slot));
  EXPECT_NE(slot, nullptr);
  mpg.Close(slot);
  EXPECT_EQ(slot, nullptr);
  const auto closes = DoubleEntry<int(__cdecl*)()>(Folder("mpglib-classic") + "MPGLib.DLL", "DoubleCloses");
  ASSERT_NE(closes, nullptr);
  EXPECT_EQ(closes(), 2);
}

TEST(MpgLibBinding, StreamGenerationKeepsTheLibrarysHandleInTheSlot) {
  MpgLibBinding mpg(Folder("mpglib-stream"));
  ASSERT_TRUE(mpg.Load());
  EXPECT_EQ(mpg.Interface(), MpgLibInterface::Stream);
  void* slot = nullptr;
  ASSERT_TRUE(mpg.Open(slot));
  ASSERT_NE(slot, nullptr);
  void* const handle = slot;
  char out[16];
  int produced = -5;
  EXPECT_EQ(mpg.Decode(slot, "abc", 3, out, sizeof out, produced), kMpgLibNeedMore);
  EXPECT_EQ(produced, 0);
  mpg.Close(slot);
  EXPECT_EQ(slot, handle);  // the library's handle stays
  const auto lastClosed = DoubleEntry<void*(__cdecl*)()>(Folder("mpglib-stream") + "MPGLib.DLL", "DoubleLastClosed");
  ASSERT_NE(lastClosed, nullptr);
  EXPECT_EQ(lastClosed(), handle);
}

TEST(MpgLibBinding, NeitherGenerationIsUnavailableAndReleased) {
  MpgLibBinding mpg(Folder("mpglib-neither"));
  EXPECT_FALSE(mpg.Load());
  EXPECT_FALSE(IsLoaded(Folder("mpglib-neither") + "MPGLib.DLL"));
  void* slot = nullptr;
  EXPECT_FALSE(mpg.Open(slot));
  EXPECT_EQ(slot, nullptr);
}

}  // namespace
}  // namespace sonotape
