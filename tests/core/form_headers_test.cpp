#include "net/form_headers.h"

#include <gtest/gtest.h>

TEST(FormHeaders, ThreeLinesForEveryPost) {
    EXPECT_EQ(FormPostHeaders(57),
              L"Content-Length: 57\r\nCache-Control: no-cache\r\n"
              L"Content-Type: application/x-www-form-urlencoded\r\n");
    EXPECT_EQ(FormPostHeaders(0),
              L"Content-Length: 0\r\nCache-Control: no-cache\r\n"
              L"Content-Type: application/x-www-form-urlencoded\r\n");
}

TEST(FormHeaders, AccountCreationHasNoCacheControl) {
    EXPECT_EQ(CreateUserHeaders(1234),
              L"Content-Length: 1234\r\nContent-Type: application/x-www-form-urlencoded\r\n");
}
