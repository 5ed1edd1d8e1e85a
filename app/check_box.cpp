#include "app/check_box.h"

namespace horvane {

bool CheckBox::Create(HWND parent, int id, const Place& place, bool visible, bool tabStop) {
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | BS_AUTOCHECKBOX | BS_LEFT | BS_VCENTER |
                        (visible ? WS_VISIBLE : 0) | (tabStop ? WS_TABSTOP : 0);
    hwnd_ = CreateWindowExA(0, "BUTTON", "", style, place.left, place.top, place.width,
                            place.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return true;
}

bool CheckBox::Ticked() const {
    return hwnd_ && SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetTicked(bool ticked) {
    if (hwnd_) SendMessageA(hwnd_, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Timer::Create(HWND owner, UINT_PTR id, int period) {
    owner_ = owner;
    id_ = id;
    SetPeriod(period);
}

void Timer::SetPeriod(int period) {
    period_ = period > 0 ? period : 0;
    if (!owner_) return;
    if (period_ > 0) {
        SetTimer(owner_, id_, static_cast<UINT>(period_), nullptr);
    } else {
        KillTimer(owner_, id_);
    }
}

}  // namespace horvane
