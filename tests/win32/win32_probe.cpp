// win32-probe: reads and works the alert of setup-dialog from another process
// of the same Wine session, where the Linux tests use the accessibility bus.
//
//   win32-probe list               every visible top-level dialog, as JSON
//   win32-probe count              the same dialogs with only their title, place
//                                  and number of controls: cheap at any size
//   win32-probe click HWND         BM_CLICK on a button
//   win32-probe accessible HWND    what MSAA tells a screen reader of a control:
//                                  name, description, help, role and state
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
#include <cstdlib>
#include <cstring>
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
  std::string out(1, '"');
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
  out += '"';
  return out;
}

// A JSON object, built by appending: GCC 12 warns falsely (-Wrestrict) on
// chains of std::string operator+ in an optimised build.
class Object {
 public:
  Object& raw(const char* key, const std::string& value) {
    text_.push_back(text_.empty() ? '{' : ',');
    text_.push_back('"');
    text_ += key;
    text_ += "\":";
    text_ += value;
    return *this;
  }
  Object& str(const char* key, const std::string& value) { return raw(key, json(value)); }
  Object& num(const char* key, long long value) { return raw(key, std::to_string(value)); }
  Object& flag(const char* key, bool value) { return raw(key, value ? "true" : "false"); }
  Object& window(const char* key, HWND value) {
    return num(key, static_cast<long long>(reinterpret_cast<UINT_PTR>(value)));
  }
  std::string done() {
    if (text_.empty()) text_.push_back('{');
    text_.push_back('}');
    return text_;
  }

 private:
  std::string text_;
};

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
  std::string out(1, '[');
  for (LONG value : {r.left, r.top, r.right - r.left, r.bottom - r.top}) {
    if (out.size() > 1) out += ',';
    out += std::to_string(value);
  }
  out += ']';
  return out;
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
};

BOOL CALLBACK describe_control(HWND control, LPARAM data) {
  auto& walk = *reinterpret_cast<Walk*>(data);
  LONG style = GetWindowLongW(control, GWL_STYLE);
  std::string cls = class_of(control);
  Object entry;
  entry.window("hwnd", control).window("parent", GetParent(control))
      .num("id", GetDlgCtrlID(control)).str("class", cls).str("text", text_of(control))
      .num("style", static_cast<unsigned long>(style));
  if (_stricmp(cls.c_str(), "Button") == 0) {
    DWORD_PTR check = 0;
    SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &check);
    entry.str("button", button_kind(style)).num("check", static_cast<long long>(check));
  }
  entry.flag("tabstop", style & WS_TABSTOP).flag("enabled", IsWindowEnabled(control))
      .flag("visible", IsWindowVisible(control)).flag("focused", control == walk.focus)
      .raw("rect", rect_of(control));
  if (!walk.out.empty()) walk.out += ',';
  walk.out += entry.done();
  return TRUE;
}

struct Dialogs {
  std::vector<HWND> found;
  HWND foreground = nullptr;
};

BOOL CALLBACK collect_dialog(HWND window, LPARAM data) {
  if (IsWindowVisible(window) && class_of(window) == "#32770")
    reinterpret_cast<Dialogs*>(data)->found.push_back(window);
  return TRUE;
}

std::string error(const std::string& message) { return Object().str("error", message).done(); }

// The visible dialogs, and the window in front.
Dialogs dialogs_on_screen() {
  Dialogs dialogs;
  EnumWindows(collect_dialog, reinterpret_cast<LPARAM>(&dialogs));
  dialogs.foreground = GetForegroundWindow();
  return dialogs;
}

std::string list() {
  const Dialogs dialogs = dialogs_on_screen();
  HWND foreground = dialogs.foreground;
  std::string out(1, '[');
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
    if (i) out += ',';
    out += Object().window("hwnd", dialog).num("pid", pid).str("title", text_of(dialog))
               .raw("rect", rect_of(dialog)).flag("topmost", exstyle & WS_EX_TOPMOST)
               .flag("foreground", dialog == foreground).flag("active", info.hwndActive == dialog)
               .flag("enabled", IsWindowEnabled(dialog))
               .raw("controls", walk.out.insert(0, 1, '[').append(1, ']'))
               .done();
  }
  out += ']';
  return out;
}

BOOL CALLBACK count_control(HWND, LPARAM data) {
  ++*reinterpret_cast<long long*>(data);
  return TRUE;
}

// Sends no message to the dialog, so it answers at once even while the
// alert is still busy, and costs nothing with thousands of rows.
std::string count() {
  const Dialogs dialogs = dialogs_on_screen();
  HWND foreground = dialogs.foreground;
  std::string out(1, '[');
  for (size_t i = 0; i < dialogs.found.size(); ++i) {
    HWND dialog = dialogs.found[i];
    long long controls = 0;
    EnumChildWindows(dialog, count_control, reinterpret_cast<LPARAM>(&controls));
    wchar_t title[256];
    if (i) out += ',';
    out += Object().window("hwnd", dialog)
               .str("title", utf8(title, InternalGetWindowText(dialog, title, 256)))
               .raw("rect", rect_of(dialog)).flag("foreground", dialog == foreground)
               .num("controls", controls).done();
  }
  out += ']';
  return out;
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
    return error(std::string("no accessible object: ").append(hex));
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  BSTR description = nullptr;
  BSTR help = nullptr;
  object->get_accName(self, &name);
  object->get_accDescription(self, &description);
  object->get_accHelp(self, &help);
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  object->get_accRole(self, &role);
  object->get_accState(self, &state);
  object->Release();
  return Object().str("name", bstr(name)).str("description", bstr(description))
      .str("help", bstr(help)).num("role", role.vt == VT_I4 ? role.lVal : -1)
      .num("state", state.vt == VT_I4 ? state.lVal : 0).done();
}

std::string run(const std::string& command, const std::string& argument) {
  if (command == "list" && argument.empty()) return list();
  if (command == "count" && argument.empty()) return count();
  if (command == "click" || command == "accessible") {
    char* end = nullptr;
    HWND window = reinterpret_cast<HWND>(
        static_cast<UINT_PTR>(std::strtoull(argument.c_str(), &end, 10)));
    if (argument.empty() || *end || !IsWindow(window))
      return error(std::string("no window ").append(argument));
    return command == "click" ? click(window) : accessible(window);
  }
  return error("usage: win32-probe list | count | click HWND | accessible HWND | serve");
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
