#pragma once
// The Play page: plays the recorder's current or last file with play, pause and stop, the seek
// bar (mouse and keys), the skip buttons and the volume slider, muting the host meanwhile. It
// owns the player and reaches its window and the recorder only through PlayPageView. Window
// thread only.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "audio/OutputNaming.h"
#include "player/AudioPlayer.h"

namespace sonotape {

// What the Play page needs of its window and of the recorder.
class PlayPageView {
 public:
  virtual ~PlayPageView() = default;
  virtual HWND PlayControl(int id) = 0;
  virtual HIMAGELIST ButtonImages() = 0;
  // Receives the playback graph's events (WM_PLAYER_GRAPH_EVENT).
  virtual HWND EventWindow() = 0;
  // The Play page has been made visible; it stays so.
  virtual bool PlayPageShown() = 0;
  // The update routine that tmrUpdate runs, run now; and the timer switched on.
  virtual void RunUpdateRoutine() = 0;
  virtual void EnableUpdateTimer() = 0;
  // The common handler of a changed setting.
  virtual void SettingsChanged(HWND sender) = 0;
  // Shows an error through the recorder's message routine; nothing for an empty text.
  virtual void ShowError(const std::string& text) = 0;
  // The recorder's current or last file, and its recorded seconds now.
  virtual RecordedFile PlayFile() = 0;
  virtual double RecordedSeconds() = 0;
  // Sets the host graph's volume; the previous one (-10000 when unknown, and known false).
  virtual long SetHostVolume(long volume, bool* known) = 0;
};

enum PlayFlag : std::uint8_t { pfPlaying = 1, pfPaused = 2, pfSeeking = 4 };

class PlayPage {
 public:
  // The page drives player, which outlives it.
  PlayPage(PlayPageView& view, TAudioPlayer& player) : view_(view), player_(player) {}
  // Playback must have been stopped.
  ~PlayPage();
  PlayPage(const PlayPage&) = delete;
  PlayPage& operator=(const PlayPage&) = delete;

  // Once the window's controls exist: the images, and the seek bar's mouse and keys.
  void Attach();

  std::uint8_t State() const { return playerState_; }
  bool Playing() const { return (playerState_ & pfPlaying) != 0; }

  void btnPlayClick();
  // Playback off; from the stop button, the recorder and the window's end.
  void StopPlayback() { SetPlaying(false); }
  void frmSkipClick(int buttonId);
  void TbVolumeOnChange();
  void frmOnMouseWheel(int delta);
  // WM_PLAYER_GRAPH_EVENT: playback stops at the graph's completion or abort, showing the
  // player's text when a failure of its own ended it.
  void OnGraphEvent();
  // The host handed over a new graph while playing: it is muted too.
  void HostGraphChanged();
  // The page's part of the update routine: position label and seek bar.
  void ShowPosition();

 private:
  void SetPlaying(bool on);
  void SetPaused(bool on);
  void StopWithPlayersText();
  void RestoreHostVolume();
  void ShowPlayButton();
  void tbSeekMouseDown(int x);
  void tbSeekMouseMove(int x);
  void tbSeekMouseUp();
  bool tbSeekKeyDown(unsigned key);
  void SetBarFromMouse(int x);
  void SeekToBar();
  int Bar() const;
  void SetBar(int position);
  void ShowPositionText(double seconds);
  static LRESULT CALLBACK SeekBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR page);

  PlayPageView& view_;
  TAudioPlayer& player_;
  std::uint8_t playerState_ = 0;
  long savedHostVolume_ = -10000;
  bool savedVolumeKnown_ = false;
  HWND seekBar_ = nullptr;
};

}  // namespace sonotape
