// The scrolled parts of the alert: a frame with a vertical scroll bar whose
// controls move with it, and the boxes a long list's rows are made in.
#pragma once

#include <windows.h>

#include <string>

namespace ui::win32 {

// From a scrolled list to the alert: rows down to the list's visible bottom
// (lParam, pixels in the list's own coordinates) must exist now.
inline constexpr UINT kRowsInViewMessage = WM_APP + 1;
inline constexpr wchar_t kScrollClass[] = L"SetupDialogScroll";
inline constexpr wchar_t kRowsClass[] = L"SetupDialogRows";

// Registers both window classes, once.
void registerScrollFrame();

// A visible child window of `parent` at `r`.
HWND makeChild(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, RECT r, int id = 0,
               DWORD exStyle = 0);

}  // namespace ui::win32
