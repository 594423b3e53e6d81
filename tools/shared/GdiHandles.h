// Owners for the drawing and clipboard handles the helper programs take,
// in the families of win/Handles.h: none of them is ever freed by hand.
#pragma once

#include "win/Handles.h"

#include <windows.h>

// The screen's device context, from GetDC(nullptr).
struct ScreenDcTraits {
    using Type = HDC;
    static Type None() noexcept { return nullptr; }
    static void Close(Type dc) noexcept { ::ReleaseDC(nullptr, dc); }
};

// A device context made with CreateCompatibleDC.
struct MemoryDcTraits {
    using Type = HDC;
    static Type None() noexcept { return nullptr; }
    static void Close(Type dc) noexcept { ::DeleteDC(dc); }
};

struct BitmapTraits {
    using Type = HBITMAP;
    static Type None() noexcept { return nullptr; }
    static void Close(Type bitmap) noexcept { ::DeleteObject(bitmap); }
};

struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type None() noexcept { return nullptr; }
    static void Close(Type memory) noexcept { ::GlobalFree(memory); }
};

using ScreenDc = UniqueHandle<ScreenDcTraits>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;
using Bitmap = UniqueHandle<BitmapTraits>;
// Released (not freed) once the clipboard has taken the block.
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;

// Selects an object into a device context for as long as it lives, and puts
// the one it replaced back, so that the object can be deleted afterwards.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (m_old != nullptr && m_old != HGDI_ERROR)
            ::SelectObject(m_dc, m_old);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// GlobalLock for as long as it lives.
class GlobalLockGuard {
  public:
    explicit GlobalLockGuard(HGLOBAL memory) noexcept
        : m_memory(memory), m_data(::GlobalLock(memory)) {}
    ~GlobalLockGuard() {
        if (m_data != nullptr)
            ::GlobalUnlock(m_memory);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

    void* Data() const noexcept { return m_data; }

  private:
    HGLOBAL m_memory;
    void* m_data;
};
