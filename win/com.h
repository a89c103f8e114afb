#pragma once
// Owners for COM: the apartment of the thread, interface pointers, strings and
// property values. Every way out of the scope releases what they hold.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <memory>
#include <utility>

// COM for the process, multithreaded and with the default security, from start-up
// to every way out of it unless the way out says otherwise. Neither call's result is
// looked at.
class ComApartment {
  public:
    ComApartment() noexcept {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    }
    ~ComApartment() {
        if (uninitialise_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // COM then stays initialised until the process ends.
    void LeaveToProcessEnd() noexcept { uninitialise_ = false; }

  private:
    bool uninitialise_ = true;
};

// A COM interface pointer that is released when it goes out of scope.
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }

    void Reset() noexcept {
        if (ptr_ != nullptr) std::exchange(ptr_, nullptr)->Release();
    }
    // For out-parameters: releases what is held and hands out the slot.
    T** Put() noexcept {
        Reset();
        return &ptr_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    T* Get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

  private:
    T* ptr_ = nullptr;
};

struct BstrFreer {
    void operator()(BSTR text) const noexcept { SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFreer>;

// A property value, cleared whichever way the read ends.
class ScopedVariant {
  public:
    ScopedVariant() noexcept { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* Put() noexcept { return &value_; }
    const VARIANT& Get() const noexcept { return value_; }

  private:
    VARIANT value_;
};
