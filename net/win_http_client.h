#pragma once
// One synchronous HTTP exchange at a time over WinHTTP. The program builds a fresh
// client for every attempt of a form post, sends, reads the reply text and drops it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "win/internet_handle.h"

class WinHttpClient {
  public:
    // Keeps the URL; no platform call is made until the first Send.
    explicit WinHttpClient(std::wstring url);
    WinHttpClient(const WinHttpClient&) = delete;
    WinHttpClient& operator=(const WinHttpClient&) = delete;

    // Keeps a copy of exactly `length` bytes (no terminator added) as the request
    // body; when the copy cannot be allocated the client has no post data.
    void SetPostData(const void* data, std::uint32_t length);
    // Header lines, each ended by CR LF, added to every attempt.
    void SetExtraHeaders(std::wstring headers);

    // Sends the request with "GET" or "POST" (any case) and reads the response.
    // True once a response of any status arrived and its body was read in full.
    [[nodiscard]] bool Send(std::wstring_view verb);

    // The raw header block of the last response, each line ended by CR LF.
    [[nodiscard]] std::wstring ResponseHeader() const;
    // The body of the last response, decoded with the ANSI code page.
    [[nodiscard]] std::wstring ResponseContent() const;

  private:
    bool Exchange(HINTERNET request);
    bool ExchangeOnce(HINTERNET request);
    void ReadResponseHeader(HINTERNET request);
    bool ReadBody(HINTERNET request);
    void DecodeBody();

    UniqueInternetHandle root_;
    std::wstring url_;
    std::wstring responseHeader_;
    std::wstring responseContent_;
    std::vector<std::uint8_t> body_;  // its size is the capacity, zero past the bytes read
    std::uint32_t bodyLength_ = 0;
    std::unique_ptr<std::uint8_t[]> postData_;
    std::uint32_t postLength_ = 0;
    std::wstring extraHeaders_;
};
