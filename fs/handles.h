// Owners for every kind of system handle the module and the hosts use. Logic never closes
// a handle itself: the owner does it on every path, early returns included.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

namespace ufc {

// Owns one handle described by Traits (its type, its invalid value and how to
// close it); the handle is closed when the owner goes out of scope.
template <typename Traits>
class unique_any {
public:
    using T = typename Traits::type;
    unique_any() = default;
    explicit unique_any(T value) : value_(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    T get() const { return value_; }
    bool valid() const { return value_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    // Address for an out-parameter; the current value is closed first.
    T* put() {
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, Traits::invalid()); }
    void reset(T value = Traits::invalid()) {
        T old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }

private:
    T value_ = Traits::invalid();
};

namespace detail {
template <typename T, void (*Close)(T)>
struct NullTraits {
    using type = T;
    static T invalid() { return nullptr; }
    static void close(T value) { Close(value); }
};
template <void (*Close)(HANDLE)>
struct InvalidHandleTraits {
    using type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE value) { Close(value); }
};
inline void CloseFind(HANDLE h) {
    ::FindClose(h);
}
inline void CloseKernel(HANDLE h) {
    ::CloseHandle(h);
}
inline void CloseKey(HKEY k) {
    ::RegCloseKey(k);
}
inline void CloseLibrary(HMODULE m) {
    ::FreeLibrary(m);
}
inline void FreeProcessHeap(void* p) {
    ::HeapFree(::GetProcessHeap(), 0, p);
}
inline void FreeLocalBlock(HLOCAL p) {
    ::LocalFree(p);
}
inline void FreeSidBlock(PSID p) {
    ::FreeSid(p);
}
inline void FreeIdList(PIDLIST_ABSOLUTE p) {
    ::CoTaskMemFree(p);
}
inline void DestroyIconHandle(HICON h) {
    ::DestroyIcon(h);
}
}  // namespace detail

using unique_hfind = unique_any<detail::InvalidHandleTraits<detail::CloseFind>>;
using unique_hfile = unique_any<detail::InvalidHandleTraits<detail::CloseKernel>>;
using unique_handle = unique_any<detail::NullTraits<HANDLE, detail::CloseKernel>>;
using unique_hkey = unique_any<detail::NullTraits<HKEY, detail::CloseKey>>;
using unique_hmodule = unique_any<detail::NullTraits<HMODULE, detail::CloseLibrary>>;
using unique_heap_ptr = unique_any<detail::NullTraits<void*, detail::FreeProcessHeap>>;
using unique_hlocal = unique_any<detail::NullTraits<HLOCAL, detail::FreeLocalBlock>>;
using unique_sid = unique_any<detail::NullTraits<PSID, detail::FreeSidBlock>>;
using unique_idlist = unique_any<detail::NullTraits<PIDLIST_ABSOLUTE, detail::FreeIdList>>;
using unique_hicon = unique_any<detail::NullTraits<HICON, detail::DestroyIconHandle>>;

// Owns one reference of a COM interface pointer.
template <typename I>
class com_ptr {
public:
    com_ptr() = default;
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    ~com_ptr() { reset(); }

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    I** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    I* p_ = nullptr;
};

// Makes the calling thread a single-threaded COM apartment while it lives.
// It undoes only what it did itself: a thread that already was one stays
// one. Declare it before the COM pointers it serves, so they go first.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Initialized() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

}  // namespace ufc
