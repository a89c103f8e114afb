#include "net/win_http_client.h"

#include <gtest/gtest.h>

#include <string>

#include "net/form_headers.h"
#include "net/service_endpoint.h"
#include "tests/support/loopback_server.h"

namespace {

// 57 bytes, as an authuser body of that length would be.
const std::string kBody57 = "action=authuser&did=none&uname=anna&pmd5=0123456789abcdef";

std::wstring Endpoint() {
    return std::wstring(ServiceEndpoint());
}

// Sets up the client as a form post does: the 57 bytes and the three header lines.
void GiveFormBody(WinHttpClient& client) {
    client.SetPostData(kBody57.data(), static_cast<std::uint32_t>(kBody57.size()));
    client.SetExtraHeaders(FormPostHeaders(kBody57.size()));
}

class WinHttpClientTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server_.Listening()); }
    LoopbackServer server_;
};

}  // namespace

TEST_F(WinHttpClientTest, PostsExactlyTheBodyAfterItsHeaderLines) {
    server_.SetDefaultReply(Reply("0"));
    ASSERT_EQ(kBody57.size(), 57u);
    WinHttpClient client(Endpoint());
    GiveFormBody(client);
    ASSERT_TRUE(client.Send(L"POST"));
    EXPECT_EQ(client.ResponseContent(), L"0");

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    EXPECT_EQ(request.requestLine, "POST /device_point.php HTTP/1.1");
    EXPECT_EQ(request.Header("Content-Length"), "57");
    EXPECT_EQ(request.Header("Cache-Control"), "no-cache");
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("User-Agent"), "WinHttpClient");
    EXPECT_EQ(request.body, kBody57);
    // The credentials travel in the body; the client adds nothing of its own.
    for (const char* name : {"Cookie", "Referer", "Accept", "Authorization"}) {
        EXPECT_FALSE(request.Header(name).has_value()) << name;
    }
}

TEST_F(WinHttpClientTest, PostDataAndHeadersServeEveryLaterSend) {
    server_.SetDefaultReply(Reply("0"));
    WinHttpClient client(Endpoint());
    GiveFormBody(client);
    ASSERT_TRUE(client.Send(L"POST"));
    ASSERT_TRUE(client.Send(L"POST"));
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    // A new request each time: the lines are not coalesced with the earlier ones.
    EXPECT_EQ(requests[1].Header("Content-Length"), "57");
    EXPECT_EQ(requests[1].body, kBody57);
}

TEST_F(WinHttpClientTest, OnlyGetAndPostInAnyCase) {
    struct Case {
        const wchar_t* verb;
        const char* sent;  // nullptr: nothing may be sent
    };
    const Case cases[] = {
        {L"POST", "POST"}, {L"post", "POST"},   {L"pOsT", "POST"},
        {L"GET", "GET"},   {L"get", "GET"},     {L"PUT", nullptr},
        {L"", nullptr},    {L"POSTS", nullptr}, {L"POS", nullptr},
    };
    server_.SetDefaultReply(Reply("0"));
    for (const auto& c : cases) {
        const std::size_t before = server_.RequestCount();
        WinHttpClient client(Endpoint());
        EXPECT_EQ(client.Send(c.verb), c.sent != nullptr) << c.verb;
        const auto requests = server_.Requests();
        if (c.sent == nullptr) {
            EXPECT_EQ(requests.size(), before) << c.verb;
        } else {
            ASSERT_EQ(requests.size(), before + 1) << c.verb;
            EXPECT_EQ(requests.back().requestLine,
                      std::string(c.sent) + " /device_point.php HTTP/1.1");
        }
    }
}

TEST_F(WinHttpClientTest, EmptyUrlSendsNothing) {
    WinHttpClient client(L"");
    EXPECT_FALSE(client.Send(L"POST"));
    EXPECT_EQ(server_.RequestCount(), 0u);
}

TEST_F(WinHttpClientTest, AnyStatusCountsAsAResponse) {
    server_.Script({Reply("<html>server error</html>", 500)});
    WinHttpClient client(Endpoint());
    GiveFormBody(client);
    ASSERT_TRUE(client.Send(L"POST"));
    EXPECT_EQ(client.ResponseContent(), L"<html>server error</html>");
    EXPECT_EQ(client.ResponseHeader(),
              L"HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/plain\r\n"
              L"Content-Length: 25\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(server_.RequestCount(), 1u);
}

TEST_F(WinHttpClientTest, BodiesArriveWhole) {
    // Around the first buffer of 10240 bytes and past several doublings.
    for (const std::size_t size : {0u, 1u, 10238u, 10239u, 10240u, 10241u, 20480u, 50000u}) {
        std::string body(size, '\0');
        for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 26);
        server_.Script({Reply(body)});
        WinHttpClient client(Endpoint());
        GiveFormBody(client);
        ASSERT_TRUE(client.Send(L"POST")) << size;
        EXPECT_EQ(client.ResponseContent(), std::wstring(body.begin(), body.end())) << size;
    }
}

TEST_F(WinHttpClientTest, BodiesAreDecodedWithTheAnsiCodePage) {
    struct Case {
        std::string body;
        std::string contentType;
        std::wstring content;
    };
    const Case cases[] = {
        {"0;Andr\xE9", "text/plain", L"0;Andr\u00E9"},
        // The row of code page 1252 that differs from Latin-1, undefined bytes included.
        {"\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F", "text/plain",
         L"\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152"
         L"\u008D\u017D\u008F"},
        {"\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F", "text/plain",
         L"\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153"
         L"\u009D\u017E\u0178"},
        // UTF-8 stays bytes of the ANSI code page, whatever the charset says.
        {"0;Gr\xC3\xBC\xC3\x9F"
         "e",
         "text/plain; charset=utf-8", L"0;Gr\u00C3\u00BC\u00C3\u0178e"},
        // An embedded zero byte ends the text.
        {std::string("0;ab\0cd", 7), "text/plain", L"0;ab"},
        {std::string("\0tail", 5), "text/plain", L""},
    };
    for (const auto& c : cases) {
        ScriptedReply reply = Reply(c.body);
        reply.contentType = c.contentType;
        server_.Script({reply});
        WinHttpClient client(Endpoint());
        GiveFormBody(client);
        ASSERT_TRUE(client.Send(L"POST")) << c.body;
        EXPECT_EQ(client.ResponseContent(), c.content) << c.body;
    }
}

TEST_F(WinHttpClientTest, ADroppedConnectionIsTriedAgainOnTheSameRequest) {
    server_.Script({DroppedReply(), Reply("0;7")});
    WinHttpClient client(Endpoint());
    GiveFormBody(client);
    ASSERT_TRUE(client.Send(L"POST"));
    EXPECT_EQ(client.ResponseContent(), L"0;7");
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    // The lines were added again to the same request and coalesced.
    EXPECT_EQ(requests[1].Header("Content-Length"), "57; 57");
    EXPECT_EQ(requests[1].body, kBody57);
}

TEST_F(WinHttpClientTest, ThreeDroppedConnectionsLeaveTheLastResponse) {
    server_.Script(
        {Reply("0;first"), DroppedReply(), DroppedReply(), DroppedReply(), Reply("0;late")});
    WinHttpClient client(Endpoint());
    GiveFormBody(client);
    ASSERT_TRUE(client.Send(L"POST"));
    const std::wstring header = client.ResponseHeader();
    EXPECT_FALSE(client.Send(L"POST"));
    EXPECT_EQ(server_.RequestCount(), 4u);
    EXPECT_EQ(client.ResponseContent(), L"0;first");
    EXPECT_EQ(client.ResponseHeader(), header);
}

// The body is read until the connection says no more; a short body is not
// detected as such.
TEST_F(WinHttpClientTest, ATruncatedBodyGivesWhatArrived) {
    server_.Script({TruncatedReply("0;partial")});
    WinHttpClient client(Endpoint());
    GiveFormBody(client);
    EXPECT_TRUE(client.Send(L"POST"));
    EXPECT_EQ(client.ResponseContent(), L"0;partial");
}

// The receive time-out is 30 s: a reply that takes a while is still waited for.
TEST_F(WinHttpClientTest, ASlowReplyIsWaitedFor) {
    ScriptedReply slow = Reply("0;slow");
    slow.delay = std::chrono::milliseconds(1500);
    server_.Script({slow});
    WinHttpClient client(Endpoint());
    GiveFormBody(client);
    ASSERT_TRUE(client.Send(L"POST"));
    EXPECT_EQ(client.ResponseContent(), L"0;slow");
    EXPECT_EQ(server_.RequestCount(), 1u);
}

TEST(WinHttpClient, NothingListening) {
    WinHttpClient client(Endpoint());
    GiveFormBody(client);
    EXPECT_FALSE(client.Send(L"POST"));
    EXPECT_EQ(client.ResponseContent(), L"");
    EXPECT_EQ(client.ResponseHeader(), L"");
}
