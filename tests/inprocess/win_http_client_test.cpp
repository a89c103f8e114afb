#include "net/win_http_client.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "net/form_headers.h"
#include "net/service_endpoint.h"
#include "tests/support/loopback_server.h"

namespace {

std::string Letters(std::size_t size) {
    std::string text(size, 'a');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

std::wstring Widened(const std::string& bytes) {
    return std::wstring(bytes.begin(), bytes.end());
}

ScriptedReply Slow(ScriptedReply reply) {
    reply.delay = std::chrono::milliseconds(1500);  // the client waits up to 30 s
    return reply;
}

struct Row {
    const char* name;
    const wchar_t* verb = L"POST";
    std::vector<ScriptedReply> replies = {};  // none: nothing listening
    std::wstring content = L"";               // after the last Send
    // Verb and Content-Length of each request that arrived; every one carries the body.
    std::vector<std::string> requests = {"POST 57"};
    bool sent = true;  // the last Send's result
    std::wstring statusLine = L"HTTP/1.1 200 OK";
    int sends = 1;
    std::wstring url = std::wstring(ServiceEndpoint());
};

}  // namespace

// A client given 57 bytes and their header lines, as a form post does, against a
// loopback server that answers with the scripted replies.
TEST(WinHttpClient, ExchangesWithTheService) {
    const std::string body = "action=authuser&did=none&uname=anna&pmd5=0123456789abcdef";
    const Row rows[] = {
        {.name = "post in any case", .verb = L"pOsT", .replies = {Reply("0;1")}, .content = L"0;1"},
        {.name = "get",
         .verb = L"get",
         .replies = {Reply("0")},
         .content = L"0",
         .requests = {"GET 57"}},
        {.name = "put",
         .verb = L"PUT",
         .replies = {Reply("0")},
         .requests = {},
         .sent = false,
         .statusLine = L""},
        {.name = "a longer verb",
         .verb = L"POSTS",
         .replies = {Reply("0")},
         .requests = {},
         .sent = false,
         .statusLine = L""},
        {.name = "status 500",
         .replies = {Reply("<b>error</b>", 500)},
         .content = L"<b>error</b>",
         .statusLine = L"HTTP/1.1 500 Internal Server Error"},
        {.name = "empty body", .replies = {Reply("")}},
        // The bytes and a zero after them must fit: a full buffer doubles.
        {.name = "the first buffer's size",
         .replies = {Reply(Letters(10240))},
         .content = Widened(Letters(10240))},
        {.name = "twice that",
         .replies = {Reply(Letters(20480))},
         .content = Widened(Letters(20480))},
        {.name = "code page 1252",
         .replies = {Reply("\xE9\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                           "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F")},
         .content = L"\u00E9\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160"
                    L"\u2039\u0152\u008D\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013"
                    L"\u2014\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178"},
        {.name = "UTF-8 whatever the charset",
         .replies = {{200,
                      "0;Gr\xC3\xBC\xC3\x9F"
                      "e",
                      "text/plain; charset=utf-8"}},
         .content = L"0;Gr\u00C3\u00BC\u00C3\u0178e"},
        {.name = "a zero byte ends the text",
         .replies = {Reply(std::string("0;ab\0cd", 7))},
         .content = L"0;ab"},
        {.name = "truncated", .replies = {TruncatedReply("0;partial")}, .content = L"0;partial"},
        {.name = "slow", .replies = {Slow(Reply("0;slow"))}, .content = L"0;slow"},
        // Each attempt adds the lines again to the same request, coalesced.
        {.name = "dropped, then answered",
         .replies = {DroppedReply(), Reply("0;7")},
         .content = L"0;7",
         .requests = {"POST 57", "POST 57; 57"}},
        {.name = "a later send is a new request",
         .replies = {Reply("0;1"), Reply("0;2")},
         .content = L"0;2",
         .requests = {"POST 57", "POST 57"},
         .sends = 2},
        {.name = "three attempts, then the earlier response stays",
         .replies = {Reply("0;1", 500), DroppedReply(), DroppedReply(), DroppedReply(),
                     Reply("0;late")},
         .content = L"0;1",
         .requests = {"POST 57", "POST 57", "POST 57; 57", "POST 57; 57; 57"},
         .sent = false,
         .statusLine = L"HTTP/1.1 500 Internal Server Error",
         .sends = 2},
        {.name = "nothing listening", .requests = {}, .sent = false, .statusLine = L""},
        {.name = "no URL",
         .replies = {Reply("0")},
         .requests = {},
         .sent = false,
         .statusLine = L"",
         .url = L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<LoopbackServer> server;
        if (!row.replies.empty()) {
            ASSERT_TRUE(server.emplace().Listening());
            server->Script(row.replies);
        }
        WinHttpClient client(row.url);
        client.SetPostData(body.data(), static_cast<std::uint32_t>(body.size()));
        client.SetExtraHeaders(FormPostHeaders(body.size()));
        bool sent = false;
        for (int i = 0; i < row.sends; ++i) sent = client.Send(row.verb);
        EXPECT_EQ(sent, row.sent);
        EXPECT_EQ(client.ResponseContent(), row.content);
        const std::wstring header = client.ResponseHeader();
        EXPECT_EQ(header.substr(0, header.find(L"\r\n")), row.statusLine);
        std::vector<std::string> requests;
        for (const RecordedRequest& request :
             server ? server->Requests() : std::vector<RecordedRequest>{}) {
            requests.push_back(request.requestLine.substr(0, request.requestLine.find(' ')) + " " +
                               request.Header("Content-Length").value_or(""));
            EXPECT_EQ(request.body, body);
        }
        EXPECT_EQ(requests, row.requests);
    }
}
