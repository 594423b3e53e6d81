#include "shared/MessageIcon.h"

#include "shared/GdiHandles.h"
#include "shared/WindowSearch.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

const std::array<std::pair<MessageIcon, LPCWSTR>, 4> kSystemIcons{{
    {MessageIcon::Error, IDI_HAND},
    {MessageIcon::Question, IDI_QUESTION},
    {MessageIcon::Exclamation, IDI_EXCLAMATION},
    {MessageIcon::Information, IDI_ASTERISK},
}};

HWND IconControl(HWND box) {
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (WindowClass(child) == L"Static" &&
            (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return child;
    }
    return nullptr;
}

// 32-bit pixels of a device-independent bitmap, top row first.
class Pixels {
  public:
    Pixels(HDC reference, int width, int height) : m_width(width), m_height(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap.Reset(::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<std::uint32_t*>(bits);
        m_dc.Reset(::CreateCompatibleDC(reference));
    }

    bool Valid() const { return m_bits != nullptr && m_dc; }
    HDC Dc() const { return m_dc.Get(); }
    HBITMAP Handle() const { return m_bitmap.Get(); }
    std::uint32_t At(size_t index) const { return m_bits[index] & 0xFFFFFFu; }
    size_t Count() const { return static_cast<size_t>(m_width) * static_cast<size_t>(m_height); }

    void Fill(COLORREF colour) {
        const RECT all{0, 0, m_width, m_height};
        ::SetDCBrushColor(m_dc.Get(), colour);
        ::FillRect(m_dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    }

  private:
    int m_width;
    int m_height;
    ::Bitmap m_bitmap;
    MemoryDc m_dc;
    std::uint32_t* m_bits = nullptr;
};

// The share of an icon's opaque pixels (the same drawn on black and on
// white) that `shown` has in the same colour.
double Agreement(HICON icon, const Pixels& shown, HDC reference, int width, int height) {
    Pixels onBlack(reference, width, height);
    Pixels onWhite(reference, width, height);
    if (!onBlack.Valid() || !onWhite.Valid())
        return 0.0;
    {
        const SelectedObject black(onBlack.Dc(), onBlack.Handle());
        onBlack.Fill(RGB(0, 0, 0));
        ::DrawIconEx(onBlack.Dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
        const SelectedObject white(onWhite.Dc(), onWhite.Handle());
        onWhite.Fill(RGB(255, 255, 255));
        ::DrawIconEx(onWhite.Dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
        ::GdiFlush();
    }
    size_t opaque = 0;
    size_t same = 0;
    for (size_t i = 0; i < shown.Count(); ++i) {
        if (onBlack.At(i) != onWhite.At(i))
            continue;
        ++opaque;
        if (shown.At(i) == onBlack.At(i))
            ++same;
    }
    return opaque == 0 ? 0.0 : static_cast<double>(same) / static_cast<double>(opaque);
}

MessageIcon IconOnScreen(HWND control) {
    RECT client{};
    if (!::GetClientRect(control, &client) || client.right <= 0 || client.bottom <= 0)
        return MessageIcon::Unknown;
    POINT origin{0, 0};
    ::ClientToScreen(control, &origin);
    const ScreenDc screen(::GetDC(nullptr));
    if (!screen)
        return MessageIcon::Unknown;
    Pixels shown(screen.Get(), client.right, client.bottom);
    if (!shown.Valid())
        return MessageIcon::Unknown;
    {
        const SelectedObject selected(shown.Dc(), shown.Handle());
        if (!::BitBlt(shown.Dc(), 0, 0, client.right, client.bottom, screen.Get(), origin.x,
                      origin.y, SRCCOPY))
            return MessageIcon::Unknown;
        ::GdiFlush();
    }
    for (const auto& [kind, id] : kSystemIcons) {
        // Anti-aliased edges take the background's colour in part.
        if (Agreement(::LoadIconW(nullptr, id), shown, screen.Get(), client.right, client.bottom) >
            0.95)
            return kind;
    }
    return MessageIcon::Unknown;
}

} // namespace

const char* MessageIconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None:
        return "none";
    case MessageIcon::Error:
        return "error";
    case MessageIcon::Question:
        return "question";
    case MessageIcon::Exclamation:
        return "exclamation";
    case MessageIcon::Information:
        return "information";
    case MessageIcon::Unknown:
        break;
    }
    return "unknown";
}

MessageIcon MessageBoxIcon(HWND box, DWORD timeoutMs) {
    HWND control = IconControl(box);
    DWORD_PTR icon = 0;
    if (control == nullptr ||
        !::SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kWindowAnswerMs,
                               &icon) ||
        icon == 0)
        return MessageIcon::None;
    if (WindowProcess(box) == ::GetCurrentProcessId()) {
        // The system's icons are shared: every load in a process gives the
        // same handle.
        for (const auto& [kind, id] : kSystemIcons) {
            if (reinterpret_cast<HICON>(icon) == ::LoadIconW(nullptr, id))
                return kind;
        }
        return MessageIcon::Unknown;
    }
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const MessageIcon kind = IconOnScreen(control);
        if (kind != MessageIcon::Unknown || ::GetTickCount64() >= deadline)
            return kind;
        ::Sleep(50);
    }
}
