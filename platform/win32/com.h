#pragma once
// COM lifetimes for the Win32 platform layer.

#include <objbase.h>

namespace korvel::win32 {

// COM for the calling thread, for as long as the object lives.
class TComScope {
public:
    explicit TComScope(DWORD model) : ok_(SUCCEEDED(::CoInitializeEx(nullptr, model))) {}
    ~TComScope() {
        if (ok_)
            ::CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    bool ok_;
};

// Releases a COM interface when it goes out of scope.
template <class T> class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() {
        if (p_)
            p_->Release();
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    T** Out() { return &p_; }
    void** OutVoid() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

} // namespace korvel::win32
