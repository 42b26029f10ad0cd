// Command ids of the main window: menu items, toolbar buttons and the
// framework-style standard ids that the keyboard shortcuts used to reach.
#pragma once

namespace klvc::cmd {

// 設定 menu and its submenus.
constexpr int kTitleSet = 32771;
constexpr int kCommSettings = 32772;
constexpr int kModelSelect = 32774;
constexpr int kOutputSwitch = 32775;
constexpr int kInputTitleDisplay = 32778;
constexpr int kOutputTitleDisplay = 32779;
constexpr int kSkipLive = 32780;
constexpr int kDwellTime = 32781;
constexpr int kPassword = 32783;
constexpr int kSendAll = 32784;
constexpr int kDateTimeSet = 32785;
constexpr int kDateTimeDisplay = 32786;
constexpr int kAlarmSettings = 32787;
constexpr int kAlarmInputTerminals = 32788;
constexpr int kAlarmOutputTerminals = 32789;

// ファイル menu.
constexpr int kFileNew = 32791;
constexpr int kFileOpen = 32792;
constexpr int kFileSave = 32793;
constexpr int kFileSaveAs = 32794;
constexpr int kAppExit = 57665;
// The settings as text: import a text or titles CSV, export either.
constexpr int kFileImport = 32795;
constexpr int kFileExportText = 32796;
constexpr int kFileExportTitles = 32797;

// ﾍﾙﾌﾟ menu.
constexpr int kAppAbout = 57664;

// Standard document ids that Ctrl+N, Ctrl+O and Ctrl+S are bound to; they run
// the File menu's own handlers here so the prompts and the store are honoured.
constexpr int kStdFileNew = 57600;
constexpr int kStdFileOpen = 57601;
constexpr int kStdFileSave = 57603;

// The status bar's clock pane (its string gives the pane its first width).
constexpr int kIndicatorClock = 102;

// Window timers of the main frame.
constexpr int kFrameTimer = 1;          // 500 ms, drives the no-connect check
constexpr int kFrameTimerPeriodMs = 500;
constexpr int kClockTimer = 0x1000;     // 1 s, the status bar's clock
constexpr int kClockTimerPeriodMs = 1000;

}  // namespace klvc::cmd
