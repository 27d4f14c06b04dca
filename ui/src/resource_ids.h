// Identifiers of the dialogs, controls, strings and menu commands.
#pragma once

inline constexpr int IDD_PREVIEW_DIALOG = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_MAIN_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 130;

inline constexpr int IDC_STATIC = -1;
inline constexpr int IDC_PATH = 1000;
inline constexpr int IDC_BROWSE = 1001;
inline constexpr int IDC_REPORT = 1002;
inline constexpr int IDC_PREVIEW = 1003;

// The extra command of the window menu. Window-menu ids keep their low four bits for the system.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;
inline constexpr unsigned kSystemCommandMask = 0xFFF0;
