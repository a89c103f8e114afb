#include "net/utf8.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The system's own conversion of the text up to its first NUL.
std::string SystemUtf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    bytes.resize(bytes.size() - 1);  // the terminator
    return bytes;
}

}  // namespace

// Every sequence of up to three units from a set of boundary characters, lone and
// paired surrogates and NUL converts to the same bytes as WideCharToMultiByte gives.
TEST(ToUtf8, AgreesWithTheSystemConversion) {
    const wchar_t units[] = {L'a',   0x7F,   0x80,   0xE9,   0x7FF,  0x800,  0xD7FF, 0xD800,
                             0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF, 0};
    for (const wchar_t a : units) {
        for (const wchar_t b : units) {
            for (const wchar_t c : units) {
                const std::wstring text{a, b, c};
                ASSERT_EQ(ToUtf8(text), SystemUtf8(text))
                    << std::hex << unsigned{a} << ' ' << unsigned{b} << ' ' << unsigned{c};
            }
        }
    }
}
