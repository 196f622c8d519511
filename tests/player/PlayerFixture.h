#pragma once
// A player with a window for its events, on a thread with COM, for the player's failure tests.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "PlayerTestSupport.h"

namespace playertest {

class PlayerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(com_);
    ASSERT_TRUE(player);
    window = std::make_unique<EventWindow>(*player);
  }
  void TearDown() override {
    window.reset();
    player.reset();
    if (SUCCEEDED(com_)) CoUninitialize();
  }

  HRESULT com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::unique_ptr<sonotape::TAudioPlayer> player = sonotape::TAudioPlayer::Create();
  std::unique_ptr<EventWindow> window;
};

}  // namespace playertest
