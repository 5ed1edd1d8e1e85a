#pragma once
// Win32 only: the standard automatic check box, and the window timer.

#include <windows.h>

#include "app/control.h"

namespace horvane {

// A BS_AUTOCHECKBOX child without caption: it toggles itself on a click or on Space while it
// has the focus, then tells its parent (WM_COMMAND, BN_CLICKED). Setting the ticked state
// from code tells nobody.
class CheckBox : public Control {
  public:
    CheckBox() = default;
    ~CheckBox() = default;

    bool Create(HWND parent, int id, const Place& place, bool visible, bool tabStop);

    bool Ticked() const;
    void SetTicked(bool ticked);
};

// A timer of a window: ticks (WM_TIMER with its id) every period while the period is above 0.
class Timer {
  public:
    Timer() = default;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Ties the timer to its window and id and starts it with `period` milliseconds.
    void Create(HWND owner, UINT_PTR id, int period);

    UINT_PTR id() const { return id_; }
    int period() const { return period_; }
    // 0 stops the timer; a positive period restarts it.
    void SetPeriod(int period);

  private:
    HWND owner_ = nullptr;
    UINT_PTR id_ = 0;
    int period_ = 0;
};

}  // namespace horvane
