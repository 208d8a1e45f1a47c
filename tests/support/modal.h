// tests/support/modal.h: running one of the program's dialogs in this process with a check inside
// its modal loop. Header-only, as it works on the framework's dialogs, which the rest of the
// support library does not link.
#ifndef VELTO_TESTS_SUPPORT_MODAL_H
#define VELTO_TESTS_SUPPORT_MODAL_H

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace test {

namespace modal_detail {
inline HWND* g_window;
inline void (*g_inspect)(HWND);

inline void CALLBACK InspectThenCancel(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND dlg = *g_window;
    ASSERT_NE(dlg, nullptr);
    g_inspect(dlg);
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}
}  // namespace modal_detail

// Runs dlg modally (any class with m_hWnd and DoModal); once its loop is running, calls inspect
// with its window, then cancels it, and returns what DoModal returned. A dialog that does not end,
// or a box that opens over it, fails the test in seconds.
template <class Dialog>
INT_PTR RunWith(Dialog& dlg, void (*inspect)(HWND))
{
    modal_detail::g_window = &dlg.m_hWnd;
    modal_detail::g_inspect = inspect;
    SetTimer(nullptr, 0, 10, modal_detail::InspectThenCancel);
    Watchdog dog("the dialog's modal loop, cancelled after the checks,", 5000);
    return dlg.DoModal();
}

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_MODAL_H
