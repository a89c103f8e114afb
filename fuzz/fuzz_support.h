#pragma once
// What the fuzzers share: libFuzzer's bytes read as wide text (a byte below 0x80 is
// that character, so seeds stay readable; 0x80..0xFE starts a unit (byte - 0x80) << 16
// | next two bytes; 0xFF a raw four-byte value), a check that keeps its input as a
// crash, and models written apart from the core.

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// The long forms stand for UTF-32 values: the fuzzers run on the host only.
static_assert(sizeof(wchar_t) == 4, "fuzz input decoding expects a 32-bit wchar_t");

// A broken property prints what and where, then traps, so that libFuzzer keeps
// the input as a crash whatever the sanitizer settings.
#define CHECK(condition) ((condition) ? void(0) : CheckFailed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, condition);
    __builtin_trap();
}

// libFuzzer's bytes as `count` texts: each but the last ends at a '\n' byte.
inline std::vector<std::wstring> FuzzTexts(const std::uint8_t* data, std::size_t size,
                                           std::size_t count = 1) {
    std::vector<std::wstring> texts(1);
    std::size_t at = 0;
    const auto next = [&] { return std::uint32_t{at < size ? data[at++] : std::uint8_t{0}}; };
    while (at < size) {
        std::uint32_t unit = next();
        if (unit == '\n' && texts.size() < count) {
            texts.emplace_back();
            continue;
        }
        if (unit == 0xFF) {
            unit = 0;
            for (int shift = 0; shift < 32; shift += 8) unit |= next() << shift;
        } else if (unit >= 0x80) {
            unit = (unit - 0x80) << 16;
            unit |= next() << 8;
            unit |= next();
        }
        texts.back().push_back(static_cast<wchar_t>(unit));
    }
    texts.resize(count);
    return texts;
}

// The code points the UTF-8 form of `text` must carry: up to its first NUL, a high and
// a low surrogate joined, anything else that is not a scalar value as U+FFFD.
inline std::u32string ExpectedCodePoints(std::wstring_view text) {
    std::u32string points;
    for (std::size_t i = 0; i < text.size() && text[i] != L'\0'; ++i) {
        const auto unit = static_cast<std::uint32_t>(text[i]);
        const bool nextLow = i + 1 < text.size() &&
                             (static_cast<std::uint32_t>(text[i + 1]) & 0xFFFFFC00u) == 0xDC00;
        if ((unit & 0xFFFFFC00u) == 0xD800 && nextLow) {
            const auto low = static_cast<std::uint32_t>(text[++i]);
            points.push_back(0x10000 + ((unit & 0x3FF) << 10 | (low & 0x3FF)));
        } else {
            const bool scalar = (unit & 0xFFFFF800u) != 0xD800 && unit <= 0x10FFFF;
            points.push_back(scalar ? unit : 0xFFFD);
        }
    }
    return points;
}

// The UTF-8 form of scalar values, as the C library's converter writes it.
inline std::string Utf8Of(std::u32string points) {
    static const iconv_t converter = iconv_open("UTF-8", "UTF-32LE");
    CHECK(converter != reinterpret_cast<iconv_t>(-1));
    std::string utf8(4 * points.size(), '\0');
    char* in = reinterpret_cast<char*>(points.data());
    char* out = utf8.data();
    std::size_t inLeft = 4 * points.size();
    std::size_t outLeft = utf8.size();
    CHECK(iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1));
    utf8.resize(utf8.size() - outLeft);
    return utf8;
}

// `text` up to its first character outside ASCII.
inline std::wstring_view AsciiPrefix(std::wstring_view text) {
    const auto end = std::find_if(text.begin(), text.end(),
                                  [](wchar_t c) { return static_cast<std::uint32_t>(c) >= 0x80; });
    return text.substr(0, static_cast<std::size_t>(end - text.begin()));
}

// The leading decimal integer of ASCII text as the C library reads it, clamped to
// the 32-bit range.
inline std::int32_t LeadingIntOfAscii(std::wstring_view asciiText) {
    const std::string narrow(asciiText.begin(), asciiText.end());
    const long long value = std::strtoll(narrow.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}
