// Resource IDs of Horvane.exe, shared by horvane.rc and the program.
#pragma once

// Icons. The application icon has the lowest ID, so the shell shows it for the exe.
#define IDI_HORVANE 1  // 48, 32 and 16 pixels: the exe's and the window's icon
#define IDI_CLOCK 2    // 24 pixels: the title strip's clock button

// Background of the main window, 381 x 249; its magenta pixels are cut away from the window.
#define IDB_BACKGROUND 100

// The sync button, 92 x 32.
#define IDB_SYNC_NORMAL 110
#define IDB_SYNC_HOT 111
#define IDB_SYNC_PRESSED 112
#define IDB_SYNC_DISABLED 113

// Caption buttons of the title strip, 17 pixels high.
#define IDB_SETTINGS_NORMAL 120  // 27 wide
#define IDB_SETTINGS_HOT 121
#define IDB_SETTINGS_PRESSED 122
#define IDB_MINIMISE_NORMAL 130  // 26 wide
#define IDB_MINIMISE_HOT 131
#define IDB_MINIMISE_PRESSED 132
#define IDB_MAXIMISE_NORMAL 140  // 26 wide
#define IDB_MAXIMISE_HOT 141
#define IDB_MAXIMISE_PRESSED 142
#define IDB_CLOSE_NORMAL 150  // 36 wide
#define IDB_CLOSE_HOT 151
#define IDB_CLOSE_PRESSED 152
