#include "window/WindowLayout.h"

#include <commctrl.h>

#include "ui/ButtonImages.h"
#include "ui/WindowIds.h"
#include "window/MeterControls.h"

namespace sonotape {

namespace {

using enum RowBreak;
using enum CellWidth;

// Every control starts a group of its own (the arrow keys move within a group), but for the
// lists of check boxes, the radio buttons and the rows of buttons, whose later members continue
// the group of the first.
constexpr DWORD kField = WS_CHILD | WS_TABSTOP | WS_GROUP;
constexpr DWORD kLabel = WS_CHILD | WS_GROUP | SS_LEFT;
constexpr DWORD kImage = WS_CHILD | WS_GROUP | SS_ICON | SS_CENTERIMAGE;
constexpr DWORD kList = kField | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr DWORD kEdit = kField | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kCheck = kField | BS_AUTOCHECKBOX;
constexpr DWORD kRadio = kField | BS_AUTORADIOBUTTON;
constexpr DWORD kTrack = kField | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM;
constexpr DWORD kPush = kField | BS_PUSHBUTTON;
constexpr DWORD InGroup(DWORD style) { return style & ~WS_GROUP; }

constexpr char kStatic[] = "STATIC";
constexpr char kButton[] = "BUTTON";
constexpr char kCombo[] = "COMBOBOX";
constexpr char kEditClass[] = "EDIT";
constexpr char kTrackbar[] = TRACKBAR_CLASSA;

// Run-time captions: the longest a label can show (all digits are equally wide).
constexpr const char* kStopCaption[] = {"&Stop"};
constexpr const char* kContinueCaption[] = {"&Continue"};
constexpr const char* kWrittenCaption[] = {"Written: 99999.9 MB"};
constexpr const char* kLengthCaption[] = {"Length:  100:00:00"};
constexpr const char* kRecordStatusCaption[] = {"Waiting for a format Ogg Vorbis can record",
                                                "Free: 9999.9 GB, about 999999 h 59 min", "No sound for 99999 s",
                                                "Pre-record off: too little memory"};
// Beside the pre-record list: the seconds the memory cap allows, where fewer than chosen.
constexpr const char* kPreRecordSecondsCaption[] = {"29 s"};
constexpr const char* kPositionCaption[] = {"P&osition:  100:00:00"};
constexpr const char* kVbrBitrateCaption[] = {"VBR Min. &Bit Rate:"};
constexpr const char* kOggBitrateCaption[] = {"Bit Rate approx. 500 kbps"};
constexpr const char* kPlayCaptions[] = {"P&lay", "P&ause"};

// In reading order, page by page: the tab order.
constexpr ControlEntry kControls[] = {
    // General
    // The recording format's list and the pre-record list share the first row, each beside its label
    {lblRecordAs, "lblRecordAs", kStatic, "&Record as:", kLabel, kGeneralPage, Next, Fixed, 0, 0, {}, false},
    {cbRecordAs, "cbRecordAs", kCombo, "", kList, kGeneralPage, Same, Fixed, 0, 0, {}, false},
    {lblPreRecord, "lblPreRecord", kStatic, "P&re-record:", kLabel, kGeneralPage, Same, Fixed, 0, 0, {}, false},
    {cbPreRecord, "cbPreRecord", kCombo, "", kList, kGeneralPage, Same, Fixed, 0, 0, {}, false},
    {lblPreRecordSeconds, "lblPreRecordSeconds", kStatic, "", kLabel, kGeneralPage, Same, Fixed, 0, 0,
     kPreRecordSecondsCaption, false},
    {lblFilename, "lblFilename", kStatic, "File &name:", kLabel, kGeneralPage, Next, Label, 0, 0, {}, false},
    {edFilename, "edFilename", kEditClass, "", kEdit, kGeneralPage, Same, Stretch, 100, 0, {}, false},
    {lblOutput, "lblOutput", kStatic, "&Output Directory:", kLabel, kGeneralPage, Next, Label, 0, 0, {}, false},
    {edOutput, "edOutput", kEditClass, "", kEdit, kGeneralPage, Same, Stretch, 100, 0, {}, false},
    {btnFile, "btnFile", kButton, "...", kPush, kGeneralPage, Same, Fixed, 23, 0, {}, false},
    {cbStayConnected, "cbStayConnected", kButton, "Stay &Connected to Audio Stream", kCheck, kGeneralPage, Next,
     Fixed, 0, 0, {}, false},
    // Beside the boxes and the figures under them (not the status line): a meter for each channel
    {pnlMeters, "pnlMeters", kMeterPanelClass, "", WS_CHILD, kGeneralPage, Same, Column, 84, 0, {}, false},
    {cbAutoCreate, "cbAutoCreate", kButton, "Append &Date-Time to Filenames", InGroup(kCheck), kGeneralPage, Close,
     Fixed, 0, 0, {}, false},
    {lblFileSize, "lblFileSize", kStatic, "Written: 0.0 MB", kLabel, kGeneralPage, Close, Stretch, 0, 0,
     kWrittenCaption, false},
    {lblLengthGen, "lblLengthGen", kStatic, "Length:  00:00:00", kLabel, kGeneralPage, Same, Stretch, 0, 0,
     kLengthCaption, false},
    {lblRecordStatus, "lblRecordStatus", kStatic, "", kLabel, kGeneralPage, Under, Stretch, 0, 0,
     kRecordStatusCaption, false},
    {btnRecord, "btnRecord", kButton, "&Start", kPush, kGeneralPage, Next, Share, 0, 28, kStopCaption, true},
    {btnPause, "btnPause", kButton, "Rec &Pause", InGroup(kPush) | WS_DISABLED, kGeneralPage, Same, Share, 0, 28,
     kContinueCaption, true},
    {btnSave, "btnSave", kButton, "S&ave Settings", InGroup(kPush), kGeneralPage, Same, Share, 0, 28, {}, false},
    // MP3 Settings
    {lblMP3Method, "lblMP3Method", kStatic, "&Encoding Method:", kLabel, kMp3Page, Next, Label, 0, 0, {}, false},
    {cbMP3Method, "cbMP3Method", kCombo, "", kList, kMp3Page, Same, Stretch, 0, 0, {}, false},
    {lblMP3Quality, "lblMP3Quality", kStatic, "&Quality", kLabel, kMp3Page, Next, Label, 0, 0, {}, false},
    {lblMP3QualityLow, "lblMP3QualityLow", kStatic, "-", kLabel | SS_CENTER, kMp3Page, Same, Fixed, 10, 0, {}, false},
    {tbMP3Quality, "tbMP3Quality", kTrackbar, "", kTrack, kMp3Page, Same, Stretch, 100, 28, {}, false},
    {lblMP3QualityHigh, "lblMP3QualityHigh", kStatic, "+", kLabel | SS_CENTER, kMp3Page, Same, Fixed, 10, 0, {},
     false},
    {lblBitrate, "lblBitrate", kStatic, "&Bit Rate:", kLabel, kMp3Page, Next, Label, 0, 0, kVbrBitrateCaption, false},
    {cbMP3Bitrate, "cbMP3Bitrate", kCombo, "", kList, kMp3Page, Same, Stretch, 0, 0, {}, false},
    {lblMP3SampleRate, "lblMP3SampleRate", kStatic, "&Output Sample Rate:", kLabel, kMp3Page, Next, Label, 0, 0, {},
     false},
    {cbMP3SampleRate, "cbMP3SampleRate", kCombo, "", kList, kMp3Page, Same, Stretch, 0, 0, {}, false},
    {lblMP3MaxBitRate, "lblMP3MaxBitRate", kStatic, "VBR &Max. Bit Rate:", kLabel, kMp3Page, Next, Label, 0, 0, {},
     false},
    {cbMP3MaxBitRate, "cbMP3MaxBitRate", kCombo, "", kList, kMp3Page, Same, Stretch, 0, 0, {}, false},
    {lblMP3VBRQuality, "lblMP3VBRQuality", kStatic, "&VBR Quality", kLabel, kMp3Page, Next, Label, 0, 0, {}, false},
    {lblMP3VBRQualityLow, "lblMP3VBRQualityLow", kStatic, "-", kLabel | SS_CENTER, kMp3Page, Same, Fixed, 10, 0, {},
     false},
    {tbMP3VBRQuality, "tbMP3VBRQuality", kTrackbar, "", kTrack, kMp3Page, Same, Stretch, 100, 28, {}, false},
    {lblMP3VBRQualityHigh, "lblMP3VBRQualityHigh", kStatic, "+", kLabel | SS_CENTER, kMp3Page, Same, Fixed, 10, 0, {},
     false},
    // MP3 Advanced
    {cbMP3JointStereo, "cbMP3JointStereo", kButton, "Use &Joint Stereo", kCheck, kMp3AdvancedPage, Next, Fixed, 0, 0,
     {}, false},
    {cbMP3NoRes, "cbMP3NoRes", kButton, "&Disable Bit Reservoir", InGroup(kCheck), kMp3AdvancedPage, Close, Fixed, 0,
     0, {}, false},
    {cbMP3Private, "cbMP3Private", kButton, "&Mark as Private", InGroup(kCheck), kMp3AdvancedPage, Close, Fixed, 0, 0,
     {}, false},
    {cbMP3Original, "cbMP3Original", kButton, "Mark as &Original", InGroup(kCheck), kMp3AdvancedPage, Close, Fixed, 0,
     0, {}, false},
    {cbMP3Copyright, "cbMP3Copyright", kButton, "Mark as &Copyright Protected", InGroup(kCheck), kMp3AdvancedPage,
     Close, Fixed, 0, 0, {}, false},
    {cbMP3CRC, "cbMP3CRC", kButton, "Add CRC &Error Protection", InGroup(kCheck), kMp3AdvancedPage, Close, Fixed, 0, 0,
     {}, false},
    {cbMP3VBRHeader, "cbMP3VBRHeader", kButton, "Write &XING VBR Header", InGroup(kCheck), kMp3AdvancedPage, Close,
     Fixed, 0, 0, {}, false},
    // Ogg Vorbis: the checked radio button alone is a tab stop
    {rbOggVBR, "rbOggVBR", kButton, "&Variable Bit Rate", kRadio, kOggPage, Next, Fixed, 0, 0, {}, false},
    {rbOggABR, "rbOggABR", kButton, "&Average Bit Rate", InGroup(kRadio) & ~WS_TABSTOP, kOggPage, Close, Fixed, 0, 0,
     {}, false},
    {lblOggQuality, "lblOggQuality", kStatic, "&Quality", kLabel, kOggPage, Next, Label, 0, 0, {}, false},
    {lblOggQualityLow, "lblOggQualityLow", kStatic, "-1", kLabel | SS_RIGHT, kOggPage, Same, Fixed, 0, 0, {}, false},
    {tbOggQuality, "tbOggQuality", kTrackbar, "", kTrack, kOggPage, Same, Stretch, 100, 28, {}, false},
    {lblOggQualityHigh, "lblOggQualityHigh", kStatic, "10", kLabel, kOggPage, Same, Fixed, 0, 0, {}, false},
    {lblOggBitrate, "lblOggBitrate", kStatic, "Bit Rate approx. 128 kbps", kLabel, kOggPage, Next, Fixed, 0, 0,
     kOggBitrateCaption, false},
    // FLAC
    {lblFLACLevel, "lblFLACLevel", kStatic, "Compression &level:", kLabel, kFlacPage, Next, Label, 0, 0, {}, false},
    {lblFLACLevelLow, "lblFLACLevelLow", kStatic, "0", kLabel | SS_RIGHT, kFlacPage, Same, Fixed, 0, 0, {}, false},
    {tbFLACLevel, "tbFLACLevel", kTrackbar, "", kTrack, kFlacPage, Same, Stretch, 100, 28, {}, false},
    {lblFLACLevelHigh, "lblFLACLevelHigh", kStatic, "8", kLabel, kFlacPage, Same, Fixed, 0, 0, {}, false},
    {lblFLACLevelValue, "lblFLACLevelValue", kStatic, "Level 5 (0 = fastest, 8 = smallest)", kLabel, kFlacPage, Next,
     Fixed, 0, 0, {}, false},
    // Play: the position and the seek bar, the transport buttons, the volume between its symbols
    {lblPosition, "lblPosition", kStatic, "P&osition:  00:00:00", kLabel, kPlayPage, Next, Share, 0, 0,
     kPositionCaption, false},
    {lblLength, "lblLength", kStatic, "Length:  00:00:00", kLabel, kPlayPage, Same, Share, 0, 0, kLengthCaption,
     false},
    {tbSeek, "tbSeek", kTrackbar, "", kField | TBS_HORZ | TBS_NOTICKS | WS_DISABLED, kPlayPage, Close, Stretch, 100, 26,
     {}, false},
    {btnFastRW, "btnFastRW", kButton, "", kPush | BS_ICON | WS_DISABLED, kPlayPage, Next, Fixed, 32, 28, {}, false},
    {btnRW, "btnRW", kButton, "", InGroup(kPush) | BS_ICON | WS_DISABLED, kPlayPage, Same, Fixed, 32, 28, {}, false},
    {btnFW, "btnFW", kButton, "", InGroup(kPush) | BS_ICON | WS_DISABLED, kPlayPage, Same, Fixed, 32, 28, {}, false},
    {btnFastFW, "btnFastFW", kButton, "", InGroup(kPush) | BS_ICON | WS_DISABLED, kPlayPage, Same, Fixed, 32, 28, {},
     false},
    {btnPlay, "btnPlay", kButton, "P&lay  ", InGroup(kPush), kPlayPage, Same, Share, 0, 28, kPlayCaptions, true},
    {btnStop, "btnStop", kButton, "S&top", InGroup(kPush) | WS_DISABLED, kPlayPage, Same, Share, 0, 28, {}, true},
    {lblVolume, "lblVolume", kStatic, "&Volume", kLabel, kPlayPage, Next, Label, 0, 0, {}, false},
    {imVolLow, "imVolLow", kStatic, "", kImage, kPlayPage, Same, Fixed, 18, 22, {}, false},
    {tbVolume, "tbVolume", kTrackbar, "", kTrack, kPlayPage, Same, Stretch, 100, 30, {}, false},
    {imVolHigh, "imVolHigh", kStatic, "", kImage, kPlayPage, Same, Fixed, 18, 22, {}, false},
};

constexpr const char* kPageCaptions[kPageCount] = {"General",    "MP3 Settings", "MP3 Advanced",
                                                    "Ogg Vorbis", "FLAC",         "Play"};

}  // namespace

std::span<const ControlEntry> WindowControls() { return kControls; }

const ControlEntry* FindControlEntry(int id) {
  for (const ControlEntry& entry : kControls) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

const char* PageCaption(int page) { return page >= 0 && page < kPageCount ? kPageCaptions[page] : ""; }

int PageImage(int page) { return page == kPlayPage ? imgPlayStop : -1; }

}  // namespace sonotape
