#pragma once
// Win32 only: process start, start-up sequence and the shared ways out.

#include <string>

namespace horvane {

// The folder of the program's executable (no trailing backslash) and its file name; fixed
// once at process start, before the window exists.
const std::string& RunDirectory();
const std::string& ExecutableName();

// The whole program on its user-interface thread: fixes the run location, makes it the
// current directory, initialises OLE, creates the main window hidden, raises its created
// event and runs the message loop. Ends through ExitProgram; returns only when the window
// cannot be created.
int RunProgram();

// Reads the executable's path and fixes RunDirectory and ExecutableName. Done by RunProgram;
// tests call it themselves.
void FixRunLocation();

// True when RunDirectory + "\" contains "\Temp\" (ASCII case-insensitive).
bool IsRunFromTempFolder();

// Start-up handler of the main window; runs once after all controls exist.
void OnMainWindowCreated();

// Dispatches the messages already waiting in this thread's queue; never waits.
void ProcessPendingEvents();

// Task-modal information box without owner, titled "提示"; returns when dismissed.
void ShowInfoMessage(const std::string& text);

// Ends the program with exit code 0; does not return.
[[noreturn]] void ExitProgram();

void OnCloseClicked();

}  // namespace horvane
