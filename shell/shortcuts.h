#pragma once
// Win32 only: the auto-sync shortcut "自动校时.lnk" in the Startup and Desktop folders.

#include <windows.h>

#include <string>

namespace horvane {

// The folder stored under the value of HKCU\...\Explorer\Shell Folders ("Startup",
// "Desktop"), environment strings expanded; empty when it cannot be read.
std::string ShellFolderPath(const std::string& valueName);

// The shortcut's path in that folder; empty when the folder is unknown, and then the
// shortcut counts as absent and is neither created nor deleted.
std::string AutoSyncShortcutPath(const std::string& valueName);

// True when an entry of the shortcut's name exists (a folder of that name counts too).
bool AutoSyncShortcutExists(const std::string& valueName);
// Write or remove the shortcut; the outcome is not reported.
void CreateAutoSyncShortcut(const std::string& valueName);
void DeleteAutoSyncShortcut(const std::string& valueName);

// What an auto-sync shortcut holds for a program kept in `runDirectory` (no trailing
// backslash; "D:" for a drive's root) under the file name `executableName`.
struct ShellLinkContent {
    std::string targetPath;
    std::string description;
    std::string arguments;
    std::string workingDirectory;
};
ShellLinkContent AutoSyncShortcutContent(const std::string& runDirectory,
                                         const std::string& executableName);

// Writes one shell link file (replacing any file of that name), show command SW_SHOW;
// true when it was saved. Needs COM initialised on the calling thread.
bool CreateShellLink(const std::string& linkPath, const std::string& targetPath,
                     const std::string& description, const std::string& arguments,
                     const std::string& workingDirectory);

// Click handler of the check boxes 开机 ("Startup") and 桌面 ("Desktop"): creates the
// shortcut when the box is ticked, deletes it otherwise.
void OnShortcutCheckBoxClicked(HWND checkBox, const std::string& valueName);

}  // namespace horvane
