#pragma once
// Move-only owners of the checker's system handles and COM pointers: each is released exactly
// once, by its owner, and an owner cannot be copied (a copy would release it twice). A handle is
// taken from the call that makes it (Owned<...>(CreateFileW(...))), or written by it through Put();
// Get() lends it without giving it away.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <oleauto.h>

#include <type_traits>
#include <utility>

namespace checker {

// `Traits` gives the handle type, its invalid value and how it is released.
template <typename Traits>
class Owned {
public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, Traits::Invalid()));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    // For a call that writes a new handle: the old one is released first.
    Handle* Put() {
        Reset();
        return &handle_;
    }
    void Reset(Handle handle = Traits::Invalid()) {
        if (handle_ != Traits::Invalid()) Traits::Release(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::Invalid();
};

namespace owned {
struct File {  // CreateFile's: INVALID_HANDLE_VALUE when it fails
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle h) { CloseHandle(h); }
};
struct Key {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { RegCloseKey(h); }
};
struct Service {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { CloseServiceHandle(h); }
};
struct Socket {
    using Handle = SOCKET;
    static Handle Invalid() { return INVALID_SOCKET; }
    static void Release(Handle h) { closesocket(h); }
};
struct AddressList {
    using Handle = addrinfo*;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { freeaddrinfo(h); }
};
struct String {
    using Handle = BSTR;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { SysFreeString(h); }
};
}  // namespace owned

using OwnedFile = Owned<owned::File>;
using OwnedKey = Owned<owned::Key>;
using OwnedService = Owned<owned::Service>;
using OwnedSocket = Owned<owned::Socket>;
using OwnedAddresses = Owned<owned::AddressList>;
using OwnedBstr = Owned<owned::String>;

// A COM interface pointer, released once.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For a call that writes a new pointer (the old one is released first).
    T** Put() {
        Reset();
        return &p_;
    }
    // The same, for the calls that take void** or IUnknown**.
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    IUnknown** PutUnknown() { return reinterpret_cast<IUnknown**>(Put()); }
    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};

// Winsock for the owner's lifetime.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (ok_) WSACleanup();
    }

private:
    bool ok_ = false;
};

// COM on this thread for the owner's lifetime (uninitialised only when initialisation succeeded),
// in a single-threaded apartment unless told otherwise (COINIT_MULTITHREADED).
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : ok_(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (ok_) CoUninitialize();
    }

private:
    bool ok_ = false;
};

static_assert(!std::is_copy_constructible_v<OwnedFile> && std::is_nothrow_move_constructible_v<OwnedFile>);
static_assert(!std::is_copy_constructible_v<ComPtr<IUnknown>> && std::is_nothrow_move_constructible_v<ComPtr<IUnknown>>);

}  // namespace checker
