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
    // body. False when the copy cannot be allocated: the client then has no post
    // data, and a request announced with a body must not be sent.
    [[nodiscard]] bool SetPostData(const void* data, std::uint32_t length);
    // Header lines, each ended by CR LF, added to every attempt.
    void SetExtraHeaders(std::wstring headers);

    // Sends the request with "GET" or "POST" (any case) and reads the response.
    // True once a response of any status arrived and its body was read for as long
    // as the connection offered bytes: the reading ends when no more are available
    // or when asking for them fails, so a body cut short by a dropped connection
    // counts, with the bytes that came. False when no response came, or a buffer
    // for the body could not be had (the bytes read before are kept).
    [[nodiscard]] bool Send(std::wstring_view verb);

    // The raw header block of the last response, each line ended by CR LF.
    [[nodiscard]] const std::wstring& ResponseHeader() const;
    // The body of the last response, decoded with the ANSI code page.
    [[nodiscard]] const std::wstring& ResponseContent() const;

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
