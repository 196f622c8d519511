#include "recorder/WindowLayout.h"

#include <commctrl.h>

#include "recorder/WindowIds.h"

namespace sonotape {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_TABSTOP;
constexpr DWORD kLabel = WS_CHILD | SS_LEFT;
constexpr DWORD kList = kChild | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX;
constexpr DWORD kTrack = kChild | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON;
constexpr char kStatic[] = "STATIC";
constexpr char kButton[] = "BUTTON";
constexpr char kCombo[] = "COMBOBOX";
constexpr char kTrackbar[] = TRACKBAR_CLASSA;

// Rows of the pages: labels at x 12, fields at 134 (114 on General, 90 on Ogg Vorbis).
constexpr ControlEntry kControls[] = {
    // General
    {lblRecordAs, "lblRecordAs", kStatic, "&Record as:", kLabel, kGeneralPage, 12, 37, 100, 16},
    {cbRecordAs, "cbRecordAs", kCombo, "", kList, kGeneralPage, 114, 33, 120, 120},
    {lblFilename, "lblFilename", kStatic, "File &name:", kLabel, kGeneralPage, 12, 63, 100, 16},
    {edFilename, "edFilename", "EDIT", "", kChild | WS_BORDER | ES_AUTOHSCROLL, kGeneralPage, 114, 60, 192, 21},
    {lblOutput, "lblOutput", kStatic, "&Output Directory:", kLabel, kGeneralPage, 12, 89, 100, 16},
    {edOutput, "edOutput", "EDIT", "", kChild | WS_BORDER | ES_AUTOHSCROLL, kGeneralPage, 114, 86, 166, 21},
    {btnFile, "btnFile", kButton, "...", kPush, kGeneralPage, 283, 86, 23, 21},
    {cbStayConnected, "cbStayConnected", kButton, "Stay &Connected to Audio Stream", kCheck, kGeneralPage, 12, 114, 294, 18},
    {cbAutoCreate, "cbAutoCreate", kButton, "Append &Date-Time to Filenames", kCheck, kGeneralPage, 12, 134, 294, 18},
    {lblFileSize, "lblFileSize", kStatic, "Written: 0.0 MB", kLabel, kGeneralPage, 12, 159, 140, 16},
    {lblLengthGen, "lblLengthGen", kStatic, "Length:  00:00:00", kLabel, kGeneralPage, 166, 159, 140, 16},
    {btnRecord, "btnRecord", kButton, "&Start", kPush, kGeneralPage, 12, 182, 94, 28},
    {btnPause, "btnPause", kButton, "Rec &Pause", kPush | WS_DISABLED, kGeneralPage, 110, 182, 94, 28},
    {btnSave, "btnSave", kButton, "S&ave Settings", kPush, kGeneralPage, 212, 182, 94, 28},
    // MP3 Settings
    {lblMP3Method, "lblMP3Method", kStatic, "&Encoding Method:", kLabel, kMp3Page, 12, 37, 122, 16},
    {cbMP3Method, "cbMP3Method", kCombo, "", kList, kMp3Page, 134, 33, 172, 120},
    {lblMP3Quality, "lblMP3Quality", kStatic, "&Quality", kLabel, kMp3Page, 12, 65, 122, 16},
    {lblMP3QualityLow, "lblMP3QualityLow", kStatic, "-", kLabel | SS_CENTER, kMp3Page, 134, 65, 10, 16},
    {tbMP3Quality, "tbMP3Quality", kTrackbar, "", kTrack, kMp3Page, 144, 58, 152, 28},
    {lblMP3QualityHigh, "lblMP3QualityHigh", kStatic, "+", kLabel | SS_CENTER, kMp3Page, 296, 65, 10, 16},
    {lblBitrate, "lblBitrate", kStatic, "&Bit Rate:", kLabel, kMp3Page, 12, 95, 122, 16},
    {cbMP3Bitrate, "cbMP3Bitrate", kCombo, "", kList, kMp3Page, 134, 91, 172, 200},
    {lblMP3SampleRate, "lblMP3SampleRate", kStatic, "&Output Sample Rate:", kLabel, kMp3Page, 12, 121, 122, 16},
    {cbMP3SampleRate, "cbMP3SampleRate", kCombo, "", kList, kMp3Page, 134, 117, 172, 160},
    {lblMP3MaxBitRate, "lblMP3MaxBitRate", kStatic, "VBR &Max. Bit Rate:", kLabel, kMp3Page, 12, 147, 122, 16},
    {cbMP3MaxBitRate, "cbMP3MaxBitRate", kCombo, "", kList, kMp3Page, 134, 143, 172, 200},
    {lblMP3VBRQuality, "lblMP3VBRQuality", kStatic, "&VBR Quality", kLabel, kMp3Page, 12, 177, 122, 16},
    {lblMP3VBRQualityLow, "lblMP3VBRQualityLow", kStatic, "-", kLabel | SS_CENTER, kMp3Page, 134, 177, 10, 16},
    {tbMP3VBRQuality, "tbMP3VBRQuality", kTrackbar, "", kTrack, kMp3Page, 144, 170, 152, 28},
    {lblMP3VBRQualityHigh, "lblMP3VBRQualityHigh", kStatic, "+", kLabel | SS_CENTER, kMp3Page, 296, 177, 10, 16},
    // MP3 Advanced
    {cbMP3JointStereo, "cbMP3JointStereo", kButton, "Use &Joint Stereo", kCheck, kMp3AdvancedPage, 12, 36, 294, 18},
    {cbMP3NoRes, "cbMP3NoRes", kButton, "&Disable Bit Reservoir", kCheck, kMp3AdvancedPage, 12, 58, 294, 18},
    {cbMP3Private, "cbMP3Private", kButton, "&Mark as Private", kCheck, kMp3AdvancedPage, 12, 80, 294, 18},
    {cbMP3Original, "cbMP3Original", kButton, "Mark as &Original", kCheck, kMp3AdvancedPage, 12, 102, 294, 18},
    {cbMP3Copyright, "cbMP3Copyright", kButton, "Mark as &Copyright Protected", kCheck, kMp3AdvancedPage, 12, 124, 294, 18},
    {cbMP3CRC, "cbMP3CRC", kButton, "Add CRC &Error Protection", kCheck, kMp3AdvancedPage, 12, 146, 294, 18},
    {cbMP3VBRHeader, "cbMP3VBRHeader", kButton, "Write &XING VBR Header", kCheck, kMp3AdvancedPage, 12, 168, 294, 18},
    // Ogg Vorbis
    {rbOggVBR, "rbOggVBR", kButton, "&Variable Bit Rate", kChild | WS_GROUP | BS_AUTORADIOBUTTON, kOggPage, 12, 36, 294, 18},
    {rbOggABR, "rbOggABR", kButton, "&Average Bit Rate", kChild | BS_AUTORADIOBUTTON, kOggPage, 12, 58, 294, 18},
    {lblOggQuality, "lblOggQuality", kStatic, "&Quality", kLabel, kOggPage, 12, 93, 60, 16},
    {lblOggQualityLow, "lblOggQualityLow", kStatic, "-1", kLabel | SS_RIGHT, kOggPage, 72, 93, 16, 16},
    {tbOggQuality, "tbOggQuality", kTrackbar, "", kTrack | WS_GROUP, kOggPage, 90, 86, 196, 28},
    {lblOggQualityHigh, "lblOggQualityHigh", kStatic, "10", kLabel, kOggPage, 288, 93, 18, 16},
    {lblOggBitrate, "lblOggBitrate", kStatic, "Bit Rate approx. 128 kbps", kLabel, kOggPage, 12, 126, 294, 16},
    // Play: the position and the seek bar, the transport buttons, the volume between its symbols
    {lblPosition, "lblPosition", kStatic, "P&osition:  00:00:00", kLabel, kPlayPage, 12, 37, 140, 16},
    {lblLength, "lblLength", kStatic, "Length:  00:00:00", kLabel, kPlayPage, 166, 37, 140, 16},
    {tbSeek, "tbSeek", kTrackbar, "", kChild | TBS_HORZ | TBS_NOTICKS | WS_DISABLED, kPlayPage, 8, 56, 302, 26},
    {btnFastRW, "btnFastRW", kButton, "", kPush | BS_ICON | WS_DISABLED, kPlayPage, 12, 90, 32, 28},
    {btnRW, "btnRW", kButton, "", kPush | BS_ICON | WS_DISABLED, kPlayPage, 48, 90, 32, 28},
    {btnFW, "btnFW", kButton, "", kPush | BS_ICON | WS_DISABLED, kPlayPage, 84, 90, 32, 28},
    {btnFastFW, "btnFastFW", kButton, "", kPush | BS_ICON | WS_DISABLED, kPlayPage, 120, 90, 32, 28},
    {btnPlay, "btnPlay", kButton, "P&lay  ", kPush, kPlayPage, 166, 90, 68, 28},
    {btnStop, "btnStop", kButton, "S&top", kPush | WS_DISABLED, kPlayPage, 238, 90, 68, 28},
    {lblVolume, "lblVolume", kStatic, "&Volume", kLabel, kPlayPage, 12, 141, 52, 16},
    {imVolLow, "imVolLow", kStatic, "", WS_CHILD | SS_ICON | SS_CENTERIMAGE, kPlayPage, 66, 137, 18, 22},
    {tbVolume, "tbVolume", kTrackbar, "", kTrack, kPlayPage, 86, 132, 198, 30},
    {imVolHigh, "imVolHigh", kStatic, "", WS_CHILD | SS_ICON | SS_CENTERIMAGE, kPlayPage, 288, 137, 18, 22},
};

constexpr const char* kPageCaptions[kPageCount] = {"General", "MP3 Settings", "MP3 Advanced", "Ogg Vorbis", "Play"};

}  // namespace

std::span<const ControlEntry> WindowControls() { return kControls; }

const ControlEntry* FindControlEntry(int id) {
  for (const ControlEntry& entry : kControls) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

const char* PageCaption(int page) { return page >= 0 && page < kPageCount ? kPageCaptions[page] : ""; }

}  // namespace sonotape
