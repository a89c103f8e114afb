#include "core/reply.h"

#include <algorithm>
#include <limits>

namespace {

// The zero of every run of ten decimal digits that _wtoi reads: ASCII and the
// digits of other scripts (Arabic-Indic, Devanagari, ..., fullwidth).
constexpr char16_t kDigitZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66,
                                    0x0AE6, 0x0B66, 0x0C66, 0x0CE6, 0x0D66, 0x0E50,
                                    0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};

// The value of a decimal digit, or -1 for any other character.
int DigitValue(wchar_t c) noexcept {
    for (const char16_t zero : kDigitZeros) {
        if (c >= zero && c < zero + 10) return static_cast<int>(c - zero);
    }
    return -1;
}

// The white space that _wtoi skips before the number.
bool IsSpace(wchar_t c) noexcept {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

}  // namespace

ReplyKind JudgeReply(std::wstring_view reply) noexcept {
    if (!reply.empty() && reply[0] == L'0') return ReplyKind::Success;
    const bool signedCode =
        reply.size() >= 2 && reply[0] == L'-' && reply[1] >= L'0' && reply[1] <= L'9';
    if (signedCode) return ReplyKind::Error;
    return ReplyKind::Invalid;
}

std::int32_t ReadLeadingInt(std::wstring_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    // The magnitude stops growing just past the range: _wtoi clamps an overflow
    // to the nearest end of the 32-bit range.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (int digit = 0; i < text.size() && (digit = DigitValue(text[i])) >= 0; ++i) {
        magnitude = std::min(magnitude * 10 + digit, kLimit);
    }
    if (negative) return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(std::min(magnitude, kLimit - 1));
}
