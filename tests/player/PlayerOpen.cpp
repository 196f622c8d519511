// player_open.exe FILE FORMAT: opens FILE in the player as a recording of the development host
// format FORMAT (no window, no graph events) and prints "opened" or "failed", a tab and the error
// text. The failure tests run it from a folder without the codec libraries.

#include <cstdio>
#include <exception>

#include "PlayerTestSupport.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: player_open.exe FILE FORMAT\n");
    return 2;
  }
  try {
    auto player = sonotape::TAudioPlayer::Create();
    if (!player) {
      return 1;
    }
    const bool opened = player->Open(argv[1], playertest::ToneRecordFormat(argv[2]), nullptr);
    std::printf("%s\t%s\n", opened ? "opened" : "failed", player->TakeErrorText().c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
