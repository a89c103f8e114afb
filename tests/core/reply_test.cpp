#include "core/reply.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
// The code of a reply reads as the system's _wtoi reads it: every character of the
// basic plane before and after a digit, and as the sign's neighbour.
TEST(Reply, LeadingIntAgreesWithTheSystemWtoi) {
    for (unsigned code = 1; code <= 0xFFFF; ++code) {
        const wchar_t c = static_cast<wchar_t>(code);
        for (const std::wstring& text :
             {std::wstring{c, L'5'}, std::wstring{L'5', c, L'7'}, std::wstring{L'-', c, L'4'}}) {
            ASSERT_EQ(ReadLeadingInt(text), _wtoi(text.c_str())) << "U+" << std::hex << code;
        }
    }
}
#endif
