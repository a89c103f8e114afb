#include "net/post_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/service_endpoint.h"
#include "tests/support/debug_capture.h"
#include "tests/support/loopback_server.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kBody57 = "action=authuser&did=none&uname=anna&pmd5=0123456789abcdef";

std::string Endpoint() {
    const std::wstring_view endpoint = ServiceEndpoint();
    return std::string(endpoint.begin(), endpoint.end());
}

const std::string kSucceeded = "[TirnaParental] [TirnaNet] send post succeeded.";
const std::string kInvalid =
    "[TirnaParental] [TirnaNet] received invalid response from server; Retry.";
const std::string kSendFailed =
    "[TirnaParental] [TirnaNet] failed to send request to server; Retry.";

// Line 2, with the header block the loopback server sends for a body of that size.
std::string HeaderLine(std::size_t bodySize) {
    return "[TirnaParental] [TirnaNet] received response from server; header:  "
           "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(bodySize) + "\r\nConnection: close\r\n\r\n";
}

std::string ContentLine(const std::string& content) {
    return "[TirnaParental] [TirnaNet] received response from server; content:  " + content;
}

// Lines 6 and 7, written whenever no success reply came.
Lines FinalLines(int result) {
    return {
        "[TirnaParental] [TirnaNet] failed to send request to server; No more retry. "
        "Error code: " +
            std::to_string(result),
        "[TirnaParental] [TirnaNet] failed to send request to server; request url: " + Endpoint()};
}

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Lines 2 to 4 for an invalid reply, three times.
Lines ThreeInvalidReplies(const std::string& reply) {
    Lines once = {HeaderLine(reply.size())};
    if (!reply.empty()) once.push_back(ContentLine(reply));
    once.push_back(kInvalid);
    return Concat({once, once, once});
}

class PostFormTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(capture_.Active()); }
    DebugCapture capture_;
};

}  // namespace

TEST_F(PostFormTest, RepliesJudgedByTheirFirstCharacters) {
    struct Case {
        std::string reply;
        std::size_t requests;
        RequestResult result;
        std::wstring slot;  // "untouched" unless a success reply filled it
        Lines lines;
    };
    const Case cases[] = {
        {"0", 1, 1, L"0", {kSucceeded}},
        {"0;12", 1, 1, L"0;12", {kSucceeded}},
        {"-5", 1, -5, L"untouched", FinalLines(-5)},
        {"-5;x", 1, -5, L"untouched", FinalLines(-5)},
        {"-0", 1, 0, L"untouched", FinalLines(0)},
        {"-x", 3, -10, L"untouched", Concat({ThreeInvalidReplies("-x"), FinalLines(-10)})},
        {"-", 3, -10, L"untouched", Concat({ThreeInvalidReplies("-"), FinalLines(-10)})},
        {"1", 3, -10, L"untouched", Concat({ThreeInvalidReplies("1"), FinalLines(-10)})},
        {"OK", 3, -10, L"untouched", Concat({ThreeInvalidReplies("OK"), FinalLines(-10)})},
        {"", 3, -10, L"untouched", Concat({ThreeInvalidReplies(""), FinalLines(-10)})},
    };
    for (const auto& c : cases) {
        LoopbackServer server;
        ASSERT_TRUE(server.Listening());
        server.SetDefaultReply(Reply(c.reply));
        capture_.Clear();
        std::wstring slot = L"untouched";
        EXPECT_EQ(PostForm(ServiceEndpoint(), kBody57, &slot), c.result) << c.reply;
        EXPECT_EQ(server.RequestCount(), c.requests) << c.reply;
        EXPECT_EQ(slot, c.slot) << c.reply;
        EXPECT_EQ(capture_.Lines(), c.lines) << c.reply;
    }
}

TEST_F(PostFormTest, SuccessWithoutAReplySlot) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.SetDefaultReply(Reply("0;42"));
    EXPECT_EQ(PostForm(ServiceEndpoint(), kBody57, nullptr), 1);
    EXPECT_EQ(capture_.Lines(), Lines{kSucceeded});
}

TEST_F(PostFormTest, AnErrorReplyEndsTheAttempts) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.Script({Reply("OK"), Reply("-7;taken"), Reply("0")});
    EXPECT_EQ(PostForm(ServiceEndpoint(), kBody57, nullptr), -7);
    EXPECT_EQ(server.RequestCount(), 2u);
    EXPECT_EQ(capture_.Lines(),
              Concat({{HeaderLine(2), ContentLine("OK"), kInvalid}, FinalLines(-7)}));
}

TEST_F(PostFormTest, NothingListening) {
    std::wstring slot = L"untouched";
    EXPECT_EQ(PostForm(ServiceEndpoint(), kBody57, &slot), -10);
    EXPECT_EQ(slot, L"untouched");
    EXPECT_EQ(capture_.Lines(), Concat({{kSendFailed, kSendFailed, kSendFailed}, FinalLines(-10)}));
}

// Each Send makes three attempts of its own: three dropped connections make one
// failed post attempt, and the next post attempt succeeds.
TEST_F(PostFormTest, TwoLayersOfAttempts) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.Script({DroppedReply(), DroppedReply(), DroppedReply(), Reply("0;1")});
    std::wstring slot;
    EXPECT_EQ(PostForm(ServiceEndpoint(), kBody57, &slot), 1);
    EXPECT_EQ(slot, L"0;1");
    EXPECT_EQ(server.RequestCount(), 4u);
    EXPECT_EQ(capture_.Lines(), (Lines{kSendFailed, kSucceeded}));
}

TEST_F(PostFormTest, TheBodyGoesOutWithTheFormHeaders) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.SetDefaultReply(Reply("0"));
    ASSERT_EQ(kBody57.size(), 57u);
    ASSERT_EQ(PostForm(ServiceEndpoint(), kBody57, nullptr), 1);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "POST /device_point.php HTTP/1.1");
    EXPECT_EQ(requests[0].Header("Content-Length"), "57");
    EXPECT_EQ(requests[0].Header("Cache-Control"), "no-cache");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].Header("User-Agent"), "WinHttpClient");
    EXPECT_EQ(requests[0].body, kBody57);
}

TEST_F(PostFormTest, NoBodyNoExtraHeaders) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.SetDefaultReply(Reply("0"));
    ASSERT_EQ(PostForm(ServiceEndpoint(), std::nullopt, nullptr), 1);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "POST /device_point.php HTTP/1.1");
    EXPECT_FALSE(requests[0].Header("Cache-Control").has_value());
    EXPECT_FALSE(requests[0].Header("Content-Type").has_value());
    EXPECT_EQ(requests[0].body, "");
}

// A long invalid reply shows in part: a line holds at most 1023 characters.
TEST_F(PostFormTest, LongRepliesAreCutInTheirLine) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    const std::string reply(3000, 'x');
    server.Script({Reply(reply), Reply("0")});
    ASSERT_EQ(PostForm(ServiceEndpoint(), kBody57, nullptr), 1);
    const Lines lines = capture_.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], ContentLine(reply).substr(0, 1023));
}
