#pragma once
// Owners for CryptoAPI: a provider context and a hash object, released whichever
// way the hashing ends.

#include <windows.h>
#include <wincrypt.h>

// Both kinds of handle are plain numbers, 0 for none; `Release` frees one.
template <typename Release>
class CryptHandle {
  public:
    CryptHandle() = default;
    ~CryptHandle() {
        if (handle_ != 0) Release{}(handle_);
    }
    CryptHandle(const CryptHandle&) = delete;
    CryptHandle& operator=(const CryptHandle&) = delete;
    ULONG_PTR* Put() noexcept { return &handle_; }
    ULONG_PTR Get() const noexcept { return handle_; }

  private:
    ULONG_PTR handle_ = 0;
};

struct CryptContextReleaser {
    void operator()(HCRYPTPROV provider) const noexcept { CryptReleaseContext(provider, 0); }
};
struct CryptHashDestroyer {
    void operator()(HCRYPTHASH hash) const noexcept { CryptDestroyHash(hash); }
};

using CryptProvider = CryptHandle<CryptContextReleaser>;
using CryptHash = CryptHandle<CryptHashDestroyer>;
