// The JSON reader and writer that the service-backed tests read the stand-in
// service's journal and state with.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/json.h"

TEST(JsonReader, ReadsWhatTheServiceSends) {
    const auto value =
        ParseJson(R"( {"seq": 7, "fields": {"uname": "ann", "did": "none"}, "lines": ["a", "b"],)"
                  R"( "ok": true, "no": false, "error": null, "ratio": -2.5e1,)"
                  R"( "text": "q\"b\\s\/\b\f\n\r\t", "accents": "Zo\u00eb \ud83d\ude00 Zoë"} )");
    ASSERT_TRUE(value.has_value());
    const JsonValue& v = *value;
    EXPECT_EQ(v["seq"].Integer(), 7);
    ASSERT_EQ(v["fields"].members.size(), 2u);
    // Members keep their order: a request's fields are checked in order.
    EXPECT_EQ(v["fields"].members[0].name, "uname");
    EXPECT_EQ(v["fields"].members[1].value.text, "none");
    ASSERT_EQ(v["lines"].items.size(), 2u);
    EXPECT_EQ(v["lines"].items[1].text, "b");
    EXPECT_TRUE(v["ok"].boolean);
    EXPECT_EQ(v["no"].kind, JsonValue::Kind::Bool);
    EXPECT_FALSE(v["no"].boolean);
    EXPECT_TRUE(v["error"].IsNull());
    EXPECT_TRUE(v["missing"].IsNull());
    EXPECT_TRUE(v["seq"]["inside a number"].IsNull());
    EXPECT_EQ(v["ratio"].number, -25.0);
    EXPECT_EQ(v["text"].text, "q\"b\\s/\b\f\n\r\t");
    EXPECT_EQ(v["accents"].text, "Zo\xc3\xab \xf0\x9f\x98\x80 Zo\xc3\xab");
}

TEST(JsonReader, RefusesWhatIsNotJson) {
    const std::string deep = std::string(100, '[') + std::string(100, ']');
    for (const std::string& text : std::vector<std::string>{
             "", " ", "{", "[1,]", "[1 2]", R"({"a" 1})", R"({a: 1})", "tru", "1 2", "-", "1e",
             "\"open", "\"raw\ttab\"", R"("\x")", R"("\u12")", R"("\ud800")", R"("\udc00x")",
             R"("\ud800\u0041")", deep}) {
        EXPECT_FALSE(ParseJson(text).has_value()) << text;
    }
}

TEST(JsonReader, QuotedTextReadsBackUnchanged) {
    for (const std::string& text :
         std::vector<std::string>{"", "plain", "q\"b\\s/ and \x01\x1f\n", "Zo\xc3\xab & co=1"}) {
        const auto value = ParseJson(JsonQuote(text));
        ASSERT_TRUE(value.has_value()) << JsonQuote(text);
        EXPECT_EQ(value->text, text);
    }
}
