#include "net/win_http_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/form_headers.h"
#include "core/service_endpoint.h"
#include "tests/blackbox/service.h"

namespace {

const std::wstring kOk = L"HTTP/1.1 200 OK", k500 = L"HTTP/1.1 500 Error";

struct Row {
    const char* name;
    const wchar_t* verb;
    std::vector<ScriptedReply> replies;
    std::wstring content;  // after the last Send
    // Verb and Content-Length of each request that arrived; every one carries the body.
    std::vector<std::string> requests = {"POST 57"};
    bool sent = true;  // by the last Send
    std::wstring statusLine = kOk;
    int sends = 1;
};

}  // namespace

// A client given 57 bytes and their header lines, as a form post does, against a
// loopback server that answers with the scripted replies.
TEST(WinHttpClient, ExchangesWithTheService) {
    if (!UnderWine() && (GetACP() != 1252 || ProxyConfigured()))  // both pinned under Wine
        GTEST_SKIP() << "rows read replies in code page 1252 and meet a dropped service without "
                        "a proxy; this system's code page is "
                     << GetACP() << (ProxyConfigured() ? ", with a proxy" : "");
    const std::string body = "action=authuser&did=none&uname=anna&pmd5=0123456789abcdef";
    // clang-format off
    const Row rows[] = {
        {"post in any case", L"pOsT", {Reply("0;1")}, L"0;1"},
        {"get", L"get", {Reply("0")}, L"0", {"GET 57"}},
        {"put", L"PUT", {Reply("0")}, L"", {}, false, L""},
        {"a longer verb", L"POSTS", {Reply("0")}, L"", {}, false, L""},
        {"a shorter verb", L"POS", {Reply("0")}, L"", {}, false, L""},
        {"status 500", L"POST", {Reply("<b>x</b>", 500)}, L"<b>x</b>", {"POST 57"}, true, k500},
        {"empty body", L"POST", {Reply("")}, L""},
        // The bytes and a zero after them must fit: a full buffer doubles.
        {"10240 bytes", L"POST", {Reply(std::string(10240, 'x'))}, std::wstring(10240, L'x')},
        {"20480 bytes", L"POST", {Reply(std::string(20480, 'y'))}, std::wstring(20480, L'y')},
        {"code page 1252", L"POST", {Reply("\xE9\x80\x81\x8A\x8D\x9C\x9F")},
         L"\u00E9\u20AC\u0081\u0160\u008D\u0153\u0178"},
        {"UTF-8 whatever the charset", L"POST",
         {{200, "0;\xC3\xBC\xC3\x9F", "text/plain; charset=utf-8"}}, L"0;\u00C3\u00BC\u00C3\u0178"},
        // Cut short by a dropped connection: true, with the bytes that came.
        {"truncated", L"POST", {TruncatedReply("0;partial")}, L"0;partial"},
        // Each attempt adds the lines again to the same request, coalesced.
        {"dropped, then answered", L"POST", {DroppedReply(), Reply("0;7")}, L"0;7",
         {"POST 57", "POST 57; 57"}},
        {"a later send is a new request", L"POST", {Reply("0;1"), Reply("0;2")}, L"0;2",
         {"POST 57", "POST 57"}, true, kOk, 2},
        {"three attempts, then the earlier response stays", L"POST",
         {Reply("0;1", 500), DroppedReply(), DroppedReply(), DroppedReply(), Reply("0;late")},
         L"0;1", {"POST 57", "POST 57", "POST 57; 57", "POST 57; 57; 57"}, false, k500, 2},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoopbackServer server(row.replies);
        ASSERT_TRUE(server.Listening());
        WinHttpClient client{std::wstring(ServiceEndpoint())};
        ASSERT_TRUE(client.SetPostData(body.data(), static_cast<std::uint32_t>(body.size())));
        client.SetExtraHeaders(FormPostHeaders(body.size(), true));
        bool sent = false;
        for (int i = 0; i < row.sends; ++i) sent = client.Send(row.verb);
        EXPECT_EQ(sent, row.sent);
        EXPECT_EQ(client.ResponseContent(), row.content);
        const std::wstring header = client.ResponseHeader();
        EXPECT_EQ(header.substr(0, header.find(L"\r\n")), row.statusLine);
        std::vector<std::string> requests;
        for (const RecordedRequest& request : server.Requests()) {
            const std::string& line = request.requestLine;
            const auto length = std::ranges::find_if(request.headerLines, [](const std::string& h) {
                return h.starts_with("Content-Length: ");
            });
            requests.push_back(line.substr(0, line.find(' ')) + " " + length->substr(16));
            EXPECT_EQ(request.body, body);
        }
        EXPECT_EQ(requests, row.requests);
    }
}
