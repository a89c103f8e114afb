#pragma once
// Property checks shared by the fuzzers, and small reference models written apart
// from the core so that the two can disagree.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

// A broken property prints what and where, then traps, so that libFuzzer keeps
// the input as a crash whatever the sanitizer settings.
#define CHECK(condition) ((condition) ? void(0) : CheckFailed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, condition);
    std::fflush(stderr);
    __builtin_trap();
}

// The code points that the UTF-8 form of `text` must carry: the text up to its
// first NUL, a high surrogate and a low one joined, anything else that is not a
// Unicode scalar value replaced by U+FFFD.
inline std::u32string ExpectedCodePoints(std::wstring_view text) {
    std::u32string points;
    for (std::size_t i = 0; i < text.size() && text[i] != L'\0'; ++i) {
        const auto unit = static_cast<std::uint32_t>(text[i]);
        const bool high = (unit & 0xFFFFFC00u) == 0xD800;
        const bool nextLow = i + 1 < text.size() &&
                             (static_cast<std::uint32_t>(text[i + 1]) & 0xFFFFFC00u) == 0xDC00;
        if (high && nextLow) {
            const auto low = static_cast<std::uint32_t>(text[++i]);
            points.push_back(0x10000 + ((unit & 0x3FF) << 10 | (low & 0x3FF)));
        } else if ((unit & 0xFFFFF800u) == 0xD800 || unit > 0x10FFFF) {
            points.push_back(0xFFFD);
        } else {
            points.push_back(unit);
        }
    }
    return points;
}

// The number of UTF-8 bytes that encode `points`.
inline std::size_t Utf8Size(std::u32string_view points) {
    std::size_t size = 0;
    for (const char32_t point : points) {
        size += point < 0x80 ? 1 : point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
    }
    return size;
}

// Strict decoding after the table of well-formed UTF-8 byte sequences: nothing
// when any sequence is ill-formed (overlong, a surrogate, above U+10FFFF, cut off,
// a stray continuation byte).
inline std::optional<std::u32string> DecodeUtf8(std::string_view bytes) {
    std::u32string points;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t point = 0;
        // The allowed range of the second byte; the later ones are always 80..BF.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead <= 0x7F) {
            length = 1;
            point = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            point = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            point = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return std::nullopt;
        }
        if (bytes.size() - i < length) return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return std::nullopt;
            point = point << 6 | (next & 0x3F);
        }
        points.push_back(point);
        i += length;
    }
    return points;
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

// Reads a request body field by field, in order. Each field literal carries its
// own separator ("&uname="); a value runs past exactly the '&' that it is known
// to hold up to the next '&' or the end. So any '&' beyond one per field and the
// values' own makes a later literal miss, and field order is checked on the way.
class BodyReader {
  public:
    explicit BodyReader(std::string_view body) noexcept : rest_(body) {}

    // The value after `literal`, or nothing when the body does not go on with it.
    std::optional<std::string_view> Field(std::string_view literal, std::size_t ampersands = 0) {
        if (rest_.substr(0, literal.size()) != literal) return std::nullopt;
        rest_.remove_prefix(literal.size());
        std::size_t end = 0;
        for (std::size_t seen = 0; seen < ampersands; ++seen) {
            end = rest_.find('&', end);
            if (end == std::string_view::npos) return std::nullopt;
            ++end;
        }
        end = std::min(rest_.find('&', end), rest_.size());
        const std::string_view value = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return value;
    }

    bool AtEnd() const noexcept { return rest_.empty(); }

  private:
    std::string_view rest_;
};

// How many '&' the UTF-8 form of `text` holds (no other unit encodes to 0x26).
inline std::size_t AmpersandsIn(std::wstring_view text) {
    const std::u32string points = ExpectedCodePoints(text);
    return static_cast<std::size_t>(std::count(points.begin(), points.end(), U'&'));
}

// True when the UTF-8 form of `text` fits a 260-byte field buffer with its terminator.
inline bool FitsField(std::wstring_view text) {
    return Utf8Size(ExpectedCodePoints(text)) <= 259;
}

// True when `value` is well-formed UTF-8 carrying exactly the code points of `text`.
inline bool CarriesText(std::string_view value, std::wstring_view text) {
    return DecodeUtf8(value) == ExpectedCodePoints(text);
}

// True when the body goes on with `literal` and the UTF-8 form of `text`.
inline bool ReadsText(BodyReader& reader, std::string_view literal, std::wstring_view text) {
    const auto value = reader.Field(literal, AmpersandsIn(text));
    return value && CarriesText(*value, text);
}

// The same for a value that goes out empty when it does not fit its field.
inline bool ReadsTextOrEmpty(BodyReader& reader, std::string_view literal, std::wstring_view text) {
    if (FitsField(text)) return ReadsText(reader, literal, text);
    return reader.Field(literal) == "";
}
