// win32-probe: reads and works the alert of setup-dialog from another process
// of the same Wine session, where the Linux tests use the accessibility bus.
//
//   win32-probe list               every visible top-level dialog, as JSON
//   win32-probe click HWND         BM_CLICK on a button
//   win32-probe accessible HWND    what MSAA tells a screen reader of a control
//   win32-probe serve              the same commands, one a line on standard
//                                  input, each answered by one line
//
// Answers are one line of JSON, UTF-8, ended by a bare line feed; a command
// that fails answers {"error": ...} (and exits with status 1 outside serve).
// Serving keeps one process and so the Wine session warm: a Wine program
// started alone in an idle session takes seconds.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <oleacc.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A hung alert must not hang the probe.
constexpr UINT kTimeoutMs = 3000;

std::string utf8(const wchar_t* text, int length) {
  if (length <= 0) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  return out;
}

std::string json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

const char* boolean(bool value) { return value ? "true" : "false"; }

std::string handle(HWND window) {
  return std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
}

// The text through WM_GETTEXT: GetWindowText does not ask a control of
// another process, so an edit field would read as its creation title.
std::string text_of(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &length))
    return {};
  std::vector<wchar_t> buffer(length + 2);
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, kTimeoutMs, &copied);
  return utf8(buffer.data(), static_cast<int>(copied));
}

std::string class_of(HWND window) {
  wchar_t name[256];
  return utf8(name, GetClassNameW(window, name, 256));
}

std::string rect_of(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top) + "]";
}

// What a button is, from its BS_* type.
const char* button_kind(LONG style) {
  switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON: return "push";
    case BS_DEFPUSHBUTTON: return "default";
    case BS_CHECKBOX: return "checkbox";
    case BS_AUTOCHECKBOX: return "autocheckbox";
    case BS_3STATE: case BS_AUTO3STATE: return "3state";
    case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return "radio";
    case BS_GROUPBOX: return "groupbox";
    default: return "other";
  }
}

struct Walk {
  HWND focus = nullptr;
  std::string out;
  bool first = true;
};

BOOL CALLBACK describe_control(HWND control, LPARAM data) {
  auto& walk = *reinterpret_cast<Walk*>(data);
  LONG style = GetWindowLongW(control, GWL_STYLE);
  std::string cls = class_of(control);
  std::string entry = "{\"hwnd\":" + handle(control) +
                      ",\"parent\":" + handle(GetParent(control)) +
                      ",\"id\":" + std::to_string(GetDlgCtrlID(control)) +
                      ",\"class\":" + json(cls) + ",\"text\":" + json(text_of(control)) +
                      ",\"style\":" + std::to_string(static_cast<unsigned long>(style));
  if (_stricmp(cls.c_str(), "Button") == 0) {
    DWORD_PTR check = 0;
    SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &check);
    entry += std::string(",\"button\":\"") + button_kind(style) +
             "\",\"check\":" + std::to_string(check);
  }
  entry += std::string(",\"tabstop\":") + boolean(style & WS_TABSTOP) +
           ",\"enabled\":" + boolean(IsWindowEnabled(control)) +
           ",\"visible\":" + boolean(IsWindowVisible(control)) +
           ",\"focused\":" + boolean(control == walk.focus) +
           ",\"rect\":" + rect_of(control) + "}";
  walk.out += (walk.first ? "" : ",") + entry;
  walk.first = false;
  return TRUE;
}

struct Dialogs {
  std::vector<HWND> found;
};

BOOL CALLBACK collect_dialog(HWND window, LPARAM data) {
  if (IsWindowVisible(window) && class_of(window) == "#32770")
    reinterpret_cast<Dialogs*>(data)->found.push_back(window);
  return TRUE;
}

std::string error(const std::string& message) { return "{\"error\":" + json(message) + "}"; }

std::string list() {
  Dialogs dialogs;
  EnumWindows(collect_dialog, reinterpret_cast<LPARAM>(&dialogs));
  HWND foreground = GetForegroundWindow();
  std::string out = "[";
  for (size_t i = 0; i < dialogs.found.size(); ++i) {
    HWND dialog = dialogs.found[i];
    DWORD pid = 0;
    DWORD thread = GetWindowThreadProcessId(dialog, &pid);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    LONG exstyle = GetWindowLongW(dialog, GWL_EXSTYLE);
    // EnumChildWindows goes through every descendant, the rows inside a
    // scrolling container too, parents before their children.
    Walk walk;
    walk.focus = info.hwndFocus;
    EnumChildWindows(dialog, describe_control, reinterpret_cast<LPARAM>(&walk));
    out += (i ? "," : "") + std::string("{\"hwnd\":") + handle(dialog) +
           ",\"pid\":" + std::to_string(pid) + ",\"title\":" + json(text_of(dialog)) +
           ",\"rect\":" + rect_of(dialog) +
           ",\"topmost\":" + boolean(exstyle & WS_EX_TOPMOST) +
           ",\"foreground\":" + boolean(dialog == foreground) +
           ",\"active\":" + boolean(info.hwndActive == dialog) +
           ",\"enabled\":" + boolean(IsWindowEnabled(dialog)) +
           ",\"controls\":[" + walk.out + "]}";
  }
  return out + "]";
}

std::string click(HWND button) {
  DWORD_PTR ignored = 0;
  // The button's WM_COMMAND may end the alert and its process; the message
  // has been handled all the same.
  if (!SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored) &&
      GetLastError() == ERROR_TIMEOUT && IsWindow(button))
    return error("the click was not handled in time");
  return "{}";
}

std::string bstr(BSTR text) {
  std::string out = text ? utf8(text, static_cast<int>(SysStringLen(text))) : std::string();
  SysFreeString(text);
  return out;
}

std::string accessible(HWND control) {
  IAccessible* object = nullptr;
  // __uuidof, not IID_IAccessible: mingw's import library resolves that
  // name to code, not to the interface's id.
  HRESULT status = AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                              __uuidof(IAccessible), reinterpret_cast<void**>(&object));
  if (FAILED(status) || !object) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lx", static_cast<unsigned long>(status));
    return error(std::string("no accessible object: ") + hex);
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  BSTR description = nullptr;
  object->get_accName(self, &name);
  object->get_accDescription(self, &description);
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  object->get_accRole(self, &role);
  object->get_accState(self, &state);
  object->Release();
  return "{\"name\":" + json(bstr(name)) + ",\"description\":" + json(bstr(description)) +
         ",\"role\":" + std::to_string(role.vt == VT_I4 ? role.lVal : -1) +
         ",\"state\":" + std::to_string(state.vt == VT_I4 ? state.lVal : 0) + "}";
}

std::string run(const std::string& command, const std::string& argument) {
  if (command == "list" && argument.empty()) return list();
  if (command == "click" || command == "accessible") {
    char* end = nullptr;
    HWND window = reinterpret_cast<HWND>(
        static_cast<UINT_PTR>(std::strtoull(argument.c_str(), &end, 10)));
    if (argument.empty() || *end || !IsWindow(window)) return error("no window " + argument);
    return command == "click" ? click(window) : accessible(window);
  }
  return error("usage: win32-probe list | click HWND | accessible HWND | serve");
}

void answer(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  CoInitialize(nullptr);
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "serve" && argc == 2) {
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
      std::string text(line, std::strcspn(line, "\r\n"));
      size_t space = text.find(' ');
      answer(space == std::string::npos ? run(text, "")
                                        : run(text.substr(0, space), text.substr(space + 1)));
    }
    return 0;
  }
  std::string out = argc <= 3 ? run(command, argc == 3 ? argv[2] : "") : run("", "");
  answer(out);
  return out.rfind("{\"error\"", 0) == 0 ? 1 : 0;
}
