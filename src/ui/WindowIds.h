#pragma once
// Control ids, timers and messages of the tool window, shared by the window and its pages'
// controllers: stable, so tests and remote-control tools can drive it with real messages.

#include <windows.h>

namespace sonotape {

enum ControlId : int {
  idTabs = 1000,
  btnRecord = 1001,
  btnPause = 1002,
  btnSave = 1003,
  cbStayConnected = 1004,
  cbAutoCreate = 1005,
  cbRecordAs = 1006,
  edFilename = 1007,
  edOutput = 1008,
  btnFile = 1009,
  lblFileSize = 1010,
  lblLengthGen = 1011,
  lblLength = 1012,
  lblRecordAs = 1013,
  lblFilename = 1014,
  lblOutput = 1015,
  lblRecordStatus = 1016,
  cbPreRecord = 1017,
  lblPreRecord = 1018,
  lblPreRecordSeconds = 1019,
  // MP3 Settings
  cbMP3Method = 1020,
  tbMP3Quality = 1021,
  cbMP3Bitrate = 1022,
  cbMP3SampleRate = 1023,
  cbMP3MaxBitRate = 1024,
  tbMP3VBRQuality = 1025,
  lblMP3Method = 1026,
  lblMP3Quality = 1027,
  lblBitrate = 1028,
  lblMP3SampleRate = 1029,
  lblMP3MaxBitRate = 1030,
  lblMP3VBRQuality = 1031,
  lblMP3QualityLow = 1032,
  lblMP3QualityHigh = 1033,
  lblMP3VBRQualityLow = 1034,
  lblMP3VBRQualityHigh = 1035,
  // MP3 Advanced
  cbMP3JointStereo = 1040,
  cbMP3NoRes = 1041,
  cbMP3Private = 1042,
  cbMP3Original = 1043,
  cbMP3Copyright = 1044,
  cbMP3CRC = 1045,
  cbMP3VBRHeader = 1046,
  // Ogg Vorbis
  rbOggVBR = 1050,
  rbOggABR = 1051,
  tbOggQuality = 1052,
  lblOggQuality = 1053,
  lblOggQualityLow = 1054,
  lblOggQualityHigh = 1055,
  lblOggBitrate = 1056,
  // Play
  tbVolume = 1060,
  lblVolume = 1061,
  btnPlay = 1062,
  btnStop = 1063,
  tbSeek = 1064,
  lblPosition = 1065,
  btnFastRW = 1066,
  btnRW = 1067,
  btnFW = 1068,
  btnFastFW = 1069,
  imVolLow = 1070,
  imVolHigh = 1071,
  // FLAC
  tbFLACLevel = 1080,
  lblFLACLevel = 1081,
  lblFLACLevelLow = 1082,
  lblFLACLevelHigh = 1083,
  lblFLACLevelValue = 1084,
  // Level meters: the panel, and in it one meter for each channel, mtrChannel + its index
  pnlMeters = 1090,
  mtrChannel = 1091,
};

enum TimerId : UINT_PTR { tmrSchedule = 1, tmrUpdate = 2, tmrMeters = 3 };
// The schedule and update timers tick once a second, the meters ten times.
inline constexpr UINT kTimerInterval = 1000;
inline constexpr UINT kMeterInterval = 100;

inline constexpr UINT WM_SCHEDULED_START = WM_USER + 100;
inline constexpr UINT WM_RECORDER_NOTIFY = WM_APP + 1235;
// WM_RECORDER_NOTIFY's wParam: a new output file, mute the host, the recording failed, the
// recording waits for a format it can record.
enum RecorderNotice : WPARAM { kNoticeNewFile = 3, kNoticeMuteHost = 4, kNoticeWriteFailed = 5, kNoticeWaiting = 6 };

}  // namespace sonotape
