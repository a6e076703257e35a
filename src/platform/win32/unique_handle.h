#pragma once

#include <windows.h>

#include <utility>

namespace platform::win32 {

// Owns one Win32 handle and releases it with Traits::close; move-only, so a
// handle is never released twice.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::empty(); }
    Handle release() { return std::exchange(handle_, Traits::empty()); }
    void reset(Handle handle = Traits::empty())
    {
        if (handle_ != Traits::empty())
            Traits::close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::empty();
};

template <typename H, auto Close>
struct NullIsEmpty {
    using Handle = H;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { Close(h); }
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { ::CloseHandle(h); }
};

using UniqueKernelHandle = UniqueHandle<NullIsEmpty<HANDLE, ::CloseHandle>>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueWindow = UniqueHandle<NullIsEmpty<HWND, ::DestroyWindow>>;
using UniqueMenu = UniqueHandle<NullIsEmpty<HMENU, ::DestroyMenu>>;
using UniqueIcon = UniqueHandle<NullIsEmpty<HICON, ::DestroyIcon>>;
using UniqueKey = UniqueHandle<NullIsEmpty<HKEY, ::RegCloseKey>>;
using UniqueFont = UniqueHandle<NullIsEmpty<HFONT, ::DeleteObject>>;
using UniqueBrush = UniqueHandle<NullIsEmpty<HBRUSH, ::DeleteObject>>;
using UniqueBitmap = UniqueHandle<NullIsEmpty<HBITMAP, ::DeleteObject>>;

} // namespace platform::win32
