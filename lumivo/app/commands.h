// SPDX-License-Identifier: GPL-2.0-or-later
// Command numbers of the ribbon and menus. The language items are
// kFirstLanguageCommand + i, the visual styles 215 to 219.
#pragma once

namespace lumivo::cmd {

inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFileMru1 = 57616; // .. + 7
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kViewPreview = 310;
inline constexpr int kLanguage = 32793;
inline constexpr int kStyle = 32807;
inline constexpr int kFirstLanguage = 200;
inline constexpr int kMaxLanguages = 15; // 200..214; the styles start at 215

inline constexpr int kAdvtAdd = 32771;
inline constexpr int kAdvtEdit = 32772;
inline constexpr int kAdvtCopy = 32773;
inline constexpr int kAdvtDelete = 32774;
inline constexpr int kCommSetup = 32775;
inline constexpr int kCommConnect = 32776;
inline constexpr int kCommDisconnect = 32777;
inline constexpr int kCommSend = 32778;
inline constexpr int kCtrlSetup = 32779;
inline constexpr int kCtrlUserImage = 32780;
inline constexpr int kViewLedDots = 32781;

// The Ad list's commands beyond the ribbon's four, and Edit.
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditRedo = 57644;
inline constexpr int kAdvtPaste = 57637;
inline constexpr int kAdvtEffectS = 32850;
inline constexpr int kAdvtEffectW = 32851;
inline constexpr int kAdvtEffectE = 32852;
inline constexpr int kAdvtExpandAll = 32853;
inline constexpr int kAdvtCollapseAll = 32854;
inline constexpr int kAdvtCheckGroup = 32855;
inline constexpr int kAdvtUncheckGroup = 32856;

inline constexpr int kRecentFiles = 8;

// The manual, the board's properties and the preview's zoom.
inline constexpr int kAppHelp = 57670;
inline constexpr int kBoardProps = 32857;
inline constexpr int kViewZoomIn = 32858;
inline constexpr int kViewZoomOut = 32859;
inline constexpr int kViewZoomFit = 32860;
inline constexpr int kViewZoom100 = 32861;
inline constexpr int kViewZoom = 32862;
inline constexpr int kAdvtMoveUp = 32863;
inline constexpr int kAdvtMoveDown = 32864;

} // namespace lumivo::cmd
