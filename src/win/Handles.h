// Owners for every kind of handle the program takes. Two families: handles
// whose "none" value is INVALID_HANDLE_VALUE (files, searches, process
// snapshots) and handles whose "none" value is null (processes, threads,
// modules, local buffers, the service manager and its services).
#pragma once

#include <windows.h>
// Left out of windows.h by WIN32_LEAN_AND_MEAN.
#include <winsvc.h>

template <typename Traits> class UniqueHandle {
  public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : m_handle(Traits::None()) {}
    explicit UniqueHandle(Type handle) noexcept : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const noexcept { return m_handle; }
    bool IsValid() const noexcept { return m_handle != Traits::None(); }
    explicit operator bool() const noexcept { return IsValid(); }

    Type Release() noexcept {
        Type handle = m_handle;
        m_handle = Traits::None();
        return handle;
    }

    void Reset(Type handle = Traits::None()) noexcept {
        if (IsValid())
            Traits::Close(m_handle);
        m_handle = handle;
    }

  private:
    Type m_handle;
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type None() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) noexcept { ::CloseHandle(handle); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type None() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) noexcept { ::FindClose(handle); }
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type None() noexcept { return nullptr; }
    static void Close(Type handle) noexcept { ::CloseHandle(handle); }
};

struct LibraryTraits {
    using Type = HMODULE;
    static Type None() noexcept { return nullptr; }
    static void Close(Type module) noexcept { ::FreeLibrary(module); }
};

struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type None() noexcept { return nullptr; }
    static void Close(Type memory) noexcept { ::LocalFree(memory); }
};

struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type None() noexcept { return nullptr; }
    static void Close(Type service) noexcept { ::CloseServiceHandle(service); }
};

// CreateToolhelp32Snapshot's handle closes like a file's, and fails as one.
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using LibraryModule = UniqueHandle<LibraryTraits>;
using LocalMemory = UniqueHandle<LocalMemoryTraits>;
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;
