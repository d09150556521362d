// The alert's keyboard, apart from the alert: which messages carry a key,
// whether the input guard lets one act, and the clipboard the Edit menu's
// Copy fills where no field has the focus.
#pragma once

#include <windows.h>

#include <string>

#include "ui/alert/input_guard.h"

namespace ui::win32 {

bool isKeyMessage(UINT message);
// Whether a keyboard message may act, as the input guard judges its key.
bool keyActs(alert::InputGuard& guard, const MSG& message);
bool isEdit(HWND hwnd);
void copyToClipboard(HWND owner, const std::wstring& text);

}  // namespace ui::win32
