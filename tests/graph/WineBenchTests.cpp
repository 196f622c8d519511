// Proves the Windows test bench: COM, Wine's DirectShow (graph manager, allocator, DirectSound
// renderer on the bench's sound device, which takes sound at the real rate; GStreamer parsers)
// and windows on the bench's display.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/ComCreate.h"
#include "support/TempFolder.h"
#include "support/TestWav.h"

using sonotape::ComPtr;
using testsupport::CreateInstance;

namespace {

std::wstring Widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

using DirectShowBench = ComTest;

TEST_F(DirectShowBench, CreatesGraphManagerAllocatorAndSoundRenderer) {
  ComPtr<IGraphBuilder> graph;
  EXPECT_EQ(CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
  ComPtr<IBaseFilter> renderer;
  EXPECT_EQ(CreateInstance(CLSID_DSoundRender, IID_IBaseFilter, renderer), S_OK);
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(CreateInstance(CLSID_MemoryAllocator, IID_IMemAllocator, allocator), S_OK);

  ALLOCATOR_PROPERTIES wanted{4, 8192, 1, 0}, actual{};
  ASSERT_EQ(allocator->SetProperties(&wanted, &actual), S_OK);
  EXPECT_EQ(actual.cBuffers, 4);
  EXPECT_GE(actual.cbBuffer, 8192);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComPtr<IMediaSample> sample;
  ASSERT_EQ(allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
  EXPECT_GE(sample->GetSize(), 8192);
  sample.Reset();
  EXPECT_EQ(allocator->Decommit(), S_OK);
}

// And no faster than the clock: the recorder's and the player's timing tests rely on it. The
// renderer signals completion about 0.25 s before the last sound has left.
TEST_F(DirectShowBench, RendersAWavFileThroughDirectSoundToCompletionAtTheRealRate) {
  constexpr double kSeconds = 1.5;
  testsupport::TempFolder folder;
  const std::string path = folder.File("tone.wav");
  ASSERT_TRUE(testsupport::WriteSineWav(path, 44100, 2, kSeconds));

  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
  ASSERT_EQ(graph->RenderFile(Widen(path).c_str(), nullptr), S_OK);

  // The audio went to the DirectSound renderer.
  ComPtr<IEnumFilters> filters;
  ASSERT_EQ(graph->EnumFilters(filters.GetAddressOf()), S_OK);
  bool hasSoundRenderer = false;
  for (ComPtr<IBaseFilter> f; filters->Next(1, f.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    CLSID clsid{};
    hasSoundRenderer |= SUCCEEDED(f->GetClassID(&clsid)) && clsid == CLSID_DSoundRender;
  }
  EXPECT_TRUE(hasSoundRenderer);

  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control.GetAddressOf())), S_OK);
  ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf())), S_OK);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  LONG code = 0;
  EXPECT_EQ(events->WaitForCompletion(20000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), kSeconds - 0.4);
  EXPECT_EQ(control->Stop(), S_OK);
}

constexpr UINT kPing = WM_APP + 7;

struct WindowLog {
  int sent = 0;
  int posted = 0;
};

LRESULT CALLBACK LoggingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPing) {
    auto* log = reinterpret_cast<WindowLog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    (wParam == 1 ? log->sent : log->posted) += 1;
    return static_cast<LRESULT>(lParam) * 2;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(WindowBench, CreatesShowsAndMessagesAWindow) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = LoggingWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "SonotapeBenchWindow";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "Bench", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  WindowLog log;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&log));

  ShowWindow(window, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(window));
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect.right - rect.left, 200);

  EXPECT_EQ(SendMessageA(window, kPing, 1, 21), 42);
  EXPECT_EQ(log.sent, 1);
  ASSERT_TRUE(PostMessageA(window, kPing, 2, 0));
  ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(log.posted, 0);  // posted messages wait for the loop
  MSG msg;
  while (IsWindow(window) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(log.posted, 1);
  EXPECT_FALSE(IsWindow(window));  // WM_CLOSE destroyed it
  UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

}  // namespace
