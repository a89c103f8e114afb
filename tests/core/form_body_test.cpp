#include "net/form_body.h"

#include <gtest/gtest.h>

TEST(FormBody, ValuesGoInByteForByte) {
    std::string body = "action=authuser";
    AppendFormField(body, "&did=", "none");
    AppendFormField(body, "&uname=", "a&b=c+d%20 e\xC3\xA9");
    AppendFormField(body, "&pmd5=", "");
    EXPECT_EQ(body, "action=authuser&did=none&uname=a&b=c+d%20 e\xC3\xA9&pmd5=");
}
