#pragma once
// Owners for CryptoAPI: a provider context and a hash object, released whichever
// way the hashing ends.

#include <windows.h>
#include <wincrypt.h>

class CryptProvider {
  public:
    CryptProvider() = default;
    ~CryptProvider() {
        if (handle_ != 0) CryptReleaseContext(handle_, 0);
    }
    CryptProvider(const CryptProvider&) = delete;
    CryptProvider& operator=(const CryptProvider&) = delete;
    HCRYPTPROV* Put() noexcept { return &handle_; }
    HCRYPTPROV Get() const noexcept { return handle_; }

  private:
    HCRYPTPROV handle_ = 0;
};

class CryptHash {
  public:
    CryptHash() = default;
    ~CryptHash() {
        if (handle_ != 0) CryptDestroyHash(handle_);
    }
    CryptHash(const CryptHash&) = delete;
    CryptHash& operator=(const CryptHash&) = delete;
    HCRYPTHASH* Put() noexcept { return &handle_; }
    HCRYPTHASH Get() const noexcept { return handle_; }

  private:
    HCRYPTHASH handle_ = 0;
};
