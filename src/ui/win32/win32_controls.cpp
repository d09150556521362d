#include "ui/win32/win32_controls.h"

#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>
#include <shellscalingapi.h>
#include <wincodec.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cwchar>

#include "ui/display_text.h"
#include "ui/win32/win32_text.h"

namespace ui::win32 {

namespace {

Metrics gRunMetrics = metricsFor(96);

// Releases a COM object at the end of a scope.
template <class T>
struct ComRef {
    T* p = nullptr;
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p) p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
    T* release() {
        T* q = p;
        p = nullptr;
        return q;
    }
};

// One for the run: a list of thousands of names is measured row by row.
HDC measuringDC() {
    static const HDC dc = CreateCompatibleDC(nullptr);
    return dc;
}

bool firstStrongIsRightToLeft(const std::wstring& text) {
    std::vector<WORD> types(text.size());
    if (text.empty() || !GetStringTypeW(CT_CTYPE2, text.data(), static_cast<int>(text.size()), types.data())) {
        return false;
    }
    for (WORD type : types) {
        if (type == C2_LEFTTORIGHT) return false;
        if (type == C2_RIGHTTOLEFT) return true;
    }
    return false;
}

}  // namespace

SIZE textExtent(HFONT font, const std::wstring& text, int width, UINT flags) {
    HDC dc = measuringDC();
    HGDIOBJ old = SelectObject(dc, font);
    RECT rect{0, 0, width, 0};
    const std::wstring measured = text.empty() ? L" " : text;
    DrawTextW(dc, measured.c_str(), static_cast<int>(measured.size()), &rect, flags | DT_CALCRECT);
    SelectObject(dc, old);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

int Metrics::px(double points) const { return static_cast<int>(std::lround(points * scale)); }

Metrics metricsFor(UINT dpi) {
    Metrics metrics;
    metrics.dpi = dpi ? dpi : 96;
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0, metrics.dpi)) {
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0);
    }
    metrics.messageFont = ncm.lfMessageFont;
    const double fontPixels = std::abs(static_cast<double>(ncm.lfMessageFont.lfHeight));
    metrics.scale = std::max({1.0, metrics.dpi / 96.0, fontPixels / 13.0});
    return metrics;
}

UINT dpiOfMonitorUnderPointer() {
    POINT pointer{};
    GetCursorPos(&pointer);
    HMONITOR monitor = MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY);
    UINT dpiX = 0, dpiY = 0;
    if (monitor && SUCCEEDED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY)) && dpiY) return dpiY;
    return GetDpiForSystem();
}

const Metrics& runMetrics() { return gRunMetrics; }
void setRunMetrics(const Metrics& metrics) { gRunMetrics = metrics; }

LOGFONTW Win32Font::logFont(const Metrics& metrics) const {
    LOGFONTW font = metrics.messageFont;
    // Sizes are in the dialogs' points, which the layout scales too.
    font.lfHeight = -std::max(1, metrics.px(points));
    if (monospaced) {
        font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        wcscpy_s(font.lfFaceName, L"Consolas");
    }
    return font;
}

Win32Image::~Win32Image() {
    if (bitmap_) bitmap_->Release();
}

namespace {

IWICImagingFactory* imagingFactory() {
    static IWICImagingFactory* factory = [] {
        IWICImagingFactory* made = nullptr;
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made));
        return made;
    }();
    return factory;
}

}  // namespace

Win32Image* loadImage(const std::wstring& path, Arena& arena) {
    // Only a regular file: a pipe or a device under that name would block
    // the read, and the alert would never appear.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const bool regular = GetFileType(file) == FILE_TYPE_DISK &&
                         !(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    if (!regular) return nullptr;

    IWICImagingFactory* factory = imagingFactory();
    if (!factory) return nullptr;
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnLoad, decoder.out()))) {
        return nullptr;
    }
    ComRef<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out()))) return nullptr;
    ComRef<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom))) {
        return nullptr;
    }
    // Decoded now, whole: a file that is no picture, or a broken one, gives
    // no image here rather than an empty icon later.
    ComRef<IWICBitmap> bitmap;
    if (FAILED(factory->CreateBitmapFromSource(converter.p, WICBitmapCacheOnLoad, bitmap.out()))) return nullptr;
    return &arena.own(std::make_unique<Win32Image>(bitmap.release()));
}

HICON Win32Image::makeIcon(int side) const {
    IWICImagingFactory* factory = imagingFactory();
    UINT width = 0, height = 0;
    if (!factory || !bitmap_ || FAILED(bitmap_->GetSize(&width, &height)) || !width || !height) return nullptr;
    const double fit = std::min(static_cast<double>(side) / width, static_cast<double>(side) / height);
    const UINT w = std::max(1u, static_cast<UINT>(std::lround(width * fit)));
    const UINT h = std::max(1u, static_cast<UINT>(std::lround(height * fit)));
    ComRef<IWICBitmapScaler> scaler;
    if (FAILED(factory->CreateBitmapScaler(scaler.out())) ||
        FAILED(scaler->Initialize(bitmap_, w, h, WICBitmapInterpolationModeFant))) {
        return nullptr;
    }
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = side;
    header.bV5Height = -side;  // top-down rows
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!color) return nullptr;
    const UINT stride = static_cast<UINT>(side) * 4;
    std::fill_n(static_cast<BYTE*>(bits), stride * side, BYTE{0});
    // Centred in the square.
    const UINT left = (side - w) / 2, top = (side - h) / 2;
    BYTE* at = static_cast<BYTE*>(bits) + top * stride + left * 4;
    const WICRect rect{0, 0, static_cast<INT>(w), static_cast<INT>(h)};
    const bool copied = SUCCEEDED(scaler->CopyPixels(&rect, stride, stride * (side - top) - left * 4, at));
    HBITMAP mask = CreateBitmap(side, side, 1, 1, nullptr);
    HICON icon = nullptr;
    if (copied && mask) {
        ICONINFO info{TRUE, 0, 0, mask, color};
        icon = CreateIconIndirect(&info);
    }
    if (mask) DeleteObject(mask);
    DeleteObject(color);
    return icon;
}

FontCache::~FontCache() {
    for (HFONT font : made_) DeleteObject(font);
}

HFONT FontCache::make(const LOGFONTW& logFont) {
    HFONT font = CreateFontIndirectW(&logFont);
    if (font) made_.push_back(font);
    return font;
}

HFONT FontCache::font(const Win32Font* font) {
    for (const auto& [key, made] : byFont_) {
        if (key == font) return made;
    }
    HFONT made = make(font ? font->logFont(metrics_) : metrics_.messageFont);
    byFont_.emplace_back(font, made);
    return made;
}

HFONT FontCache::bold(double factor) {
    LOGFONTW logFont = metrics_.messageFont;
    logFont.lfHeight = static_cast<LONG>(std::lround(logFont.lfHeight * factor));
    logFont.lfWeight = FW_BOLD;
    return make(logFont);
}

void setAccessibleText(HWND control, AccessibleText which, const std::wstring& text) {
    const MSAAPROPID& property = which == AccessibleText::Name ? PROPID_ACC_NAME : PROPID_ACC_HELP;
    // Made once for the run, as each row of a long list is annotated: kept
    // to the end of the process, like the imaging factory.
    static IAccPropServices* const services = [] {
        IAccPropServices* made = nullptr;
        CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                         reinterpret_cast<void**>(&made));
        return made;
    }();
    if (!services) return;  // no accessibility runtime: nothing can read it anyway
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, text.c_str());
}

namespace {

HWND makeWindow(const ControlSite& site, const wchar_t* className, const std::wstring& text, DWORD style,
                DWORD exStyle = 0) {
    const RECT& r = site.rect;
    HWND hwnd = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, site.parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(site.id)), GetModuleHandleW(nullptr),
                                nullptr);
    return hwnd;
}

}  // namespace

void Win32Checkbox::setState(long state) {
    state_ = state == kControlStateValueOn ? kControlStateValueOn : kControlStateValueOff;
    if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, state_ == kControlStateValueOn ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Checkbox::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (hwnd_) EnableWindow(hwnd_, enabled);
}

void Win32Checkbox::setAccessibilityHelp(const std::string& help) {
    help_ = help;
    if (hwnd_) setAccessibleText(hwnd_, AccessibleText::Help, widen(help_));
}

void Win32Checkbox::createControl(const ControlSite& site) {
    // A name from the parent cannot reorder its own letters; BS_NOTIFY tells
    // the parent when it takes the focus, so that a scrolled list shows it.
    // A title wider than its row ends in "…"; a screen reader still reads
    // it whole, from the accessible name.
    HFONT font = site.fonts.font(nullptr);
    const UINT dpi = site.fonts.metrics().dpi;
    const int room = static_cast<int>(site.rect.right - site.rect.left) - GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) -
                     site.fonts.metrics().px(6);
    std::wstring shown = widen(withoutDirectionControls(title_));
    cut_ = textExtent(font, shown, 0, DT_SINGLELINE | DT_NOPREFIX).cx > room;
    if (cut_) {
        shown.append(4, L'\0');  // room for the ellipsis DrawText writes in
        HDC dc = measuringDC();
        HGDIOBJ old = SelectObject(dc, font);
        RECT rect{0, 0, std::max(room, 1), 0};
        DrawTextW(dc, shown.data(), -1, &rect,
                  DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT);
        SelectObject(dc, old);
        shown.resize(wcslen(shown.c_str()));
        // The "…" stands at the name's logical end. In a right-to-left name
        // that end is on the left: a right-to-left mark after the "…" keeps
        // it in the name's run, where a right-to-left reader looks for it.
        if (firstStrongIsRightToLeft(shown)) shown += L'\u200F';
    }
    hwnd_ = makeWindow(site, L"BUTTON", plainButtonText(narrow(shown)),
                       tabStopStyle() | BS_AUTOCHECKBOX | BS_NOTIFY | (enabled_ ? 0 : WS_DISABLED));
    if (!hwnd_) return;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(hwnd_, BM_SETCHECK, state_ == kControlStateValueOn ? BST_CHECKED : BST_UNCHECKED, 0);
    setAccessibleText(hwnd_, AccessibleText::Name, widen(title_));
    if (!help_.empty()) setAccessibleText(hwnd_, AccessibleText::Help, widen(help_));
}

std::wstring Win32Checkbox::tooltip() const { return cut_ ? widen(withoutDirectionControls(title_)) : L""; }

void Win32Checkbox::command(WORD code) {
    if (code != BN_CLICKED || !hwnd_) return;
    // Only a user's click (or Space) sends BN_CLICKED; BM_SETCHECK does not.
    state_ = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED ? kControlStateValueOn : kControlStateValueOff;
    if (action_) action_(*this);
}

HICON stockIcon(bool informational, int side) {
    const wchar_t* name = informational ? IDI_INFORMATION : IDI_WARNING;
    // Drawn for the size where the system has it (comctl32 6), else scaled.
    using LoadScaled = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    if (HMODULE controls = GetModuleHandleW(L"comctl32.dll")) {
        auto load = reinterpret_cast<LoadScaled>(
            reinterpret_cast<void*>(GetProcAddress(controls, "LoadIconWithScaleDown")));
        HICON icon = nullptr;
        if (load && SUCCEEDED(load(nullptr, name, side, side, &icon))) return icon;
    }
    auto shared = static_cast<HICON>(LoadImageW(nullptr, name, IMAGE_ICON, side, side, LR_SHARED));
    return shared ? static_cast<HICON>(CopyImage(shared, IMAGE_ICON, side, side, 0)) : nullptr;
}

void Win32TextField::setPlaceholderString(const std::string& placeholder) {
    placeholder_ = placeholder;
    if (hwnd_ && kind_ == Kind::Field) {
        SendMessageW(hwnd_, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(widen(placeholder_).c_str()));
    }
}

void Win32TextField::setStringValue(const std::string& value) {
    text_ = value;
    if (hwnd_) SetWindowTextW(hwnd_, widen(text_).c_str());
}

void Win32TextField::setAccessibilityTitleUIElement(TextField& caption) {
    caption_ = &static_cast<const Win32TextField&>(caption);
    if (hwnd_) setAccessibleText(hwnd_, AccessibleText::Name, widen(caption_->text_));
}

Size Win32TextField::sizeThatFits(Size bounds) const {
    const Metrics& metrics = runMetrics();
    FontCache fonts(metrics);
    const bool wraps = kind_ == Kind::WrappingLabel;
    const double limit = std::min(bounds.width, 1e6);
    const int width = wraps ? std::max(1, metrics.px(limit)) : 0;
    const SIZE measured = textExtent(fonts.font(font_), widen(text_), width,
                                     DT_NOPREFIX | DT_EXPANDTABS |
                                         (wraps ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE));
    const double height = measured.cy / metrics.scale;
    const double textWidth = measured.cx / metrics.scale;
    // A field adds its border and inner margins around the text.
    const double extra = kind_ == Kind::Field ? 8 : 0;
    return {std::ceil(textWidth + extra), std::ceil(height + extra)};
}

void Win32TextField::createControl(const ControlSite& site) {
    HFONT font = site.fonts.font(font_);
    if (kind_ == Kind::Field) {
        ControlSite fieldSite = site;
        // Never shorter than its text needs, whatever the desktop's font.
        const int needed = textExtent(font, L"Ag", 0, DT_SINGLELINE).cy + site.fonts.metrics().px(6);
        RECT& r = fieldSite.rect;
        if (r.bottom - r.top < needed) {
            const int grow = needed - (r.bottom - r.top);
            r.top -= grow / 2;
            r.bottom = r.top + needed;
        }
        hwnd_ = makeWindow(fieldSite, L"EDIT", widen(text_), tabStopStyle() | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
        if (!hwnd_) return;
        // Any paste is taken whole.
        SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
        if (!placeholder_.empty()) {
            SendMessageW(hwnd_, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(widen(placeholder_).c_str()));
        }
        if (caption_) setAccessibleText(hwnd_, AccessibleText::Name, widen(caption_->text_));
    } else {
        // A one-line label stands level with the middle of its frame, as with
        // the field beside it.
        const DWORD wrap =
            kind_ == Kind::WrappingLabel ? SS_EDITCONTROL : SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_CENTERIMAGE;
        hwnd_ = makeWindow(site, L"STATIC", widen(text_), SS_LEFT | SS_NOPREFIX | wrap);
        if (!hwnd_) return;
    }
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void Win32TextField::command(WORD code) {
    if (code != EN_CHANGE || !hwnd_) return;
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), length + 1)));
    text_ = narrow(text);
}

MenuAction menuActionForKey(const Win32Menu* menu, WPARAM virtualKey, bool control, bool shift, bool alt) {
    if (!menu || !control || alt) return MenuAction::None;
    for (const Win32MenuItem* item : actionItems(*menu)) {
        if (item->key.size() != 1) continue;
        const bool wantsShift = (item->mask & kEventModifierFlagShift) != 0;
        const auto key = static_cast<unsigned char>(item->key[0]);
        if (wantsShift == shift && static_cast<WPARAM>(std::toupper(key)) == virtualKey) return item->action;
    }
    return MenuAction::None;
}

}  // namespace ui::win32
