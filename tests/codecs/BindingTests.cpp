// The codec bindings against the real cross-built DLLs and against test doubles of our own:
// availability, the old-LAME refusal, retrying after a failed load, and both MPGLib generations.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
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

// Runs a copy of this test program, alone in a folder of its own, on the one test named; its
// output, and whether that test ran and passed.
bool PassesInAFolderOfItsOwn(const std::string& test, std::string& output) {
  testsupport::TempFolder folder;
  const std::string copy = folder.File("binding_tests.exe");
  if (!CopyFileA(devhost::PathBesideExecutable("codec_binding_tests.exe").c_str(), copy.c_str(), TRUE)) {
    output = "cannot copy the test program";
    return false;
  }
  const std::string outputFile = folder.File("output.txt");
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE file = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    output = "cannot create the output file";
    return false;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = file;
  std::string command = "\"" + copy + "\" --gtest_filter=" + test;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      folder.Path().c_str(), &startup, &process) != FALSE;
  CloseHandle(file);
  DWORD exitCode = 1;
  if (started) {
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 1);
    }
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  std::ifstream text(outputFile);
  output.assign(std::istreambuf_iterator<char>(text), std::istreambuf_iterator<char>());
  return started && exitCode == 0 && output.find("[  PASSED  ] 1 test.") != std::string::npos;
}

TEST(LameBinding, AMissingLibraryIsUnavailable) {
  testsupport::TempFolder empty;
  LameBinding lame(empty.Path() + "\\");
  if (GetFileAttributesA((Beside() + "lame_enc.dll").c_str()) != INVALID_FILE_ATTRIBUTES) {
    // Nothing in the plug-in's folder: the bare name is found where the platform looks first,
    // beside the program.
    ASSERT_TRUE(lame.Load());
    EXPECT_TRUE(IsLoaded(Beside() + "lame_enc.dll"));
    // The program once more, where no lame_enc.dll lies beside it.
    std::string output;
    EXPECT_TRUE(PassesInAFolderOfItsOwn("LameBinding.AMissingLibraryIsUnavailable", output)) << output;
    return;
  }
  // Neither in the plug-in's folder, nor beside the program, nor anywhere else the platform looks.
  EXPECT_FALSE(lame.Load());
  EXPECT_EQ(lame.Entries().beInitStream, nullptr);
  EXPECT_EQ(GetModuleHandleA("lame_enc.dll"), nullptr);
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
