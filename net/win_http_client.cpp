#include "net/win_http_client.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>

#include "core/out_of_memory.h"
#include "core/text_buffer.h"
#include "win/retry.h"
#include "win/scoped.h"

namespace {

constexpr std::size_t kFirstBodyCapacity = 10240;
constexpr DWORD kHostCapacity = kTextBufferSize;
constexpr DWORD kPathCapacity = 1300;
constexpr std::size_t kProxyListLimit = kTextLimit;
// Unknown certificate authority, wrong certificate name, expired certificate:
// the client never insists on a valid certificate.
constexpr DWORD kIgnoredCertificateErrors = SECURITY_FLAG_IGNORE_UNKNOWN_CA |
                                            SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                                            SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
constexpr int kAttempts = 3;
constexpr wchar_t kUserAgent[] = L"WinHttpClient";
// Milliseconds: name resolution (0, no limit), connect, send, receive.
constexpr int kResolveTimeout = 0;
constexpr int kConnectTimeout = 60000;
constexpr int kSendTimeout = 30000;
constexpr int kReceiveTimeout = 30000;

// Grows (or first allocates) a buffer; new elements are zero. On a failed
// allocation the buffer stays as it was and the answer is false.
template <typename T>
bool TryResize(std::vector<T>& buffer, std::size_t count) noexcept {
    return TryAllocate([&] { buffer.resize(count); });
}

// The text, cut at its first zero character, becomes `kept`. The cut shortens it
// in place and the text moves: no copy of it is made.
void KeepUpToFirstNul(std::wstring& text, std::wstring& kept) noexcept {
    text.resize(UpToFirstNul(text).size());
    kept = std::move(text);
}

bool EqualsIgnoringCase(std::wstring_view text, std::wstring_view upper) {
    return std::equal(
        text.begin(), text.end(), upper.begin(), upper.end(),
        [](wchar_t a, wchar_t b) { return (a >= L'a' && a <= L'z' ? a - L'a' + L'A' : a) == b; });
}

// The upper-case form of GET or POST; nothing for any other verb.
const wchar_t* CanonicalVerb(std::wstring_view verb) {
    if (EqualsIgnoringCase(verb, L"GET")) return L"GET";
    if (EqualsIgnoringCase(verb, L"POST")) return L"POST";
    return nullptr;
}

struct UrlParts {
    std::wstring host;
    std::wstring path;
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool CrackUrl(const std::wstring& url, UrlParts& parts) {
    std::vector<wchar_t> host(kHostCapacity);
    std::vector<wchar_t> path(kPathCapacity);
    URL_COMPONENTS components{};
    components.dwStructSize = sizeof(components);
    components.dwSchemeLength = static_cast<DWORD>(-1);
    components.lpszHostName = host.data();
    components.dwHostNameLength = kHostCapacity;
    components.lpszUrlPath = path.data();
    components.dwUrlPathLength = kPathCapacity;
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) {
        return false;
    }
    parts.host = UpToFirstNul({host.data(), host.size()});
    parts.path = UpToFirstNul({path.data(), path.size()});
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

// The body is not announced here: a caller that posts one supplies the
// Content-Length line among its extra headers.
bool SendRequest(HINTERNET request) {
    return WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                              0, 0) != FALSE;
}

// After a failed send: the current user's proxy settings. A configuration script
// resolves the proxy and the request goes out again at once (true when it did);
// a fixed proxy is set for the next attempt and nothing is sent now.
bool SendThroughUserProxy(HINTERNET root, HINTERNET request, const std::wstring& url) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return false;
    const GlobalText scriptUrl(config.lpszAutoConfigUrl);
    const GlobalText proxy(config.lpszProxy);
    const GlobalText bypass(config.lpszProxyBypass);

    if (scriptUrl) {
        WINHTTP_AUTOPROXY_OPTIONS options{};
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT | WINHTTP_AUTOPROXY_CONFIG_URL;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP;
        options.lpszAutoConfigUrl = scriptUrl.get();
        options.fAutoLogonIfChallenged = TRUE;
        WINHTTP_PROXY_INFO answer{};
        if (!WinHttpGetProxyForUrl(root, url.c_str(), &options, &answer)) return false;
        const GlobalText answerProxy(answer.lpszProxy);
        const GlobalText answerBypass(answer.lpszProxyBypass);
        if (!WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &answer, sizeof(answer))) return false;
        return SendRequest(request);
    }
    if (proxy) {
        std::wstring proxyList = std::wstring(proxy.get()).substr(0, kProxyListLimit);
        std::wstring bypassList =
            bypass ? std::wstring(bypass.get()).substr(0, kProxyListLimit) : std::wstring();
        WINHTTP_PROXY_INFO named{};
        named.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
        named.lpszProxy = proxyList.data();
        named.lpszProxyBypass = bypass ? bypassList.data() : nullptr;
        WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &named, sizeof(named));
    }
    return false;
}

}  // namespace

WinHttpClient::WinHttpClient(std::wstring url) : url_(std::move(url)) {}

bool WinHttpClient::SetPostData(const void* data, std::uint32_t length) {
    postData_.reset();
    postLength_ = 0;
    // Without the memory the client has no post data, and the caller is told.
    if (!TryAllocate([&] { postData_.reset(new std::uint8_t[length]); })) return false;
    std::copy_n(static_cast<const std::uint8_t*>(data), length, postData_.get());
    postLength_ = length;
    return true;
}

void WinHttpClient::SetExtraHeaders(std::wstring headers) {
    extraHeaders_ = std::move(headers);
}

const std::wstring& WinHttpClient::ResponseHeader() const {
    return responseHeader_;
}

const std::wstring& WinHttpClient::ResponseContent() const {
    return responseContent_;
}

bool WinHttpClient::Send(std::wstring_view verb) {
    if (url_.empty()) return false;
    const wchar_t* method = CanonicalVerb(verb);
    if (method == nullptr) return false;

    if (!root_) {
        root_.reset(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (!root_) return false;
    }
    WinHttpSetTimeouts(root_.get(), kResolveTimeout, kConnectTimeout, kSendTimeout,
                       kReceiveTimeout);

    UrlParts parts;
    if (!CrackUrl(url_, parts)) return false;
    // Declared before the request so that the request is closed first.
    const UniqueInternetHandle connection(
        WinHttpConnect(root_.get(), parts.host.c_str(), parts.port, 0));
    if (!connection) return false;
    const UniqueInternetHandle request(WinHttpOpenRequest(
        connection.get(), method, parts.path.c_str(), nullptr, WINHTTP_NO_REFERER,
        WINHTTP_DEFAULT_ACCEPT_TYPES, parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return false;
    if (parts.secure) {
        DWORD flags = kIgnoredCertificateErrors;
        WinHttpSetOption(request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
    }

    if (!Exchange(request.get())) return false;
    ReadResponseHeader(request.get());

    body_ = std::vector<std::uint8_t>();  // releases the previous buffer
    bodyLength_ = 0;
    if (!TryResize(body_, kFirstBodyCapacity)) return false;
    const bool wholeBody = ReadBody(request.get());
    DecodeBody();
    return wholeBody;
}

// Up to three attempts, no pause, until a response arrives.
bool WinHttpClient::Exchange(HINTERNET request) {
    return RepeatUntil(
        kAttempts, 0, [&] { return ExchangeOnce(request); },
        [](bool responded) { return responded; });
}

bool WinHttpClient::ExchangeOnce(HINTERNET request) {
    // Added to the same request every time: a repeated line is coalesced with a
    // semicolon ("Content-Length: 57; 57"), which the service tolerates.
    if (!extraHeaders_.empty()) {
        WinHttpAddRequestHeaders(request, extraHeaders_.c_str(),
                                 static_cast<DWORD>(extraHeaders_.size()),
                                 WINHTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON);
    }
    if (!SendRequest(request) && !SendThroughUserProxy(root_.get(), request, url_)) return false;
    if (postData_) {
        DWORD written = 0;
        WinHttpWriteData(request, postData_.get(), postLength_, &written);
    }
    return WinHttpReceiveResponse(request, nullptr) != FALSE;
}

void WinHttpClient::ReadResponseHeader(HINTERNET request) {
    DWORD size = 0;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return;
    }
    // One character more than reported, so that the text always ends in a zero.
    std::wstring text;
    if (!TryAllocate([&] { text.resize(size / sizeof(wchar_t) + 1); })) return;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             text.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
        return;
    }
    KeepUpToFirstNul(text, responseHeader_);
}

// Appends every available byte to the body buffer, doubling its capacity while the
// bytes and one zero after them would not fit. False when a buffer could not be
// had; the bytes received before stay.
bool WinHttpClient::ReadBody(HINTERNET request) {
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available) || available == 0) return true;
        std::vector<std::uint8_t> chunk;
        if (!TryResize(chunk, std::size_t{available} + 1)) return false;
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk.data(), available, &read)) read = 0;

        std::size_t capacity = body_.size();
        while (std::size_t{bodyLength_} + read + 1 > capacity) capacity *= 2;
        if (capacity != body_.size() && !TryResize(body_, capacity)) return false;
        std::copy_n(chunk.data(), read, body_.data() + bodyLength_);
        bodyLength_ += read;
    }
}

// The bytes and the zero after them, through the ANSI code page: never UTF-8,
// whatever the response's charset says. An embedded zero byte ends the text.
void WinHttpClient::DecodeBody() {
    const auto* bytes = reinterpret_cast<const char*>(body_.data());
    const int length = static_cast<int>(bodyLength_) + 1;
    const int count = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes, length, nullptr, 0);
    if (count <= 0) return;
    std::wstring text;
    if (!TryAllocate([&] { text.resize(static_cast<std::size_t>(count)); })) return;
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes, length, text.data(), count) <= 0) return;
    KeepUpToFirstNul(text, responseContent_);
}
