// The child profiles listed in a getprofiles reply.

#include <cwchar>
#include <optional>
#include <vector>

#include "core/profile_list.h"
#include "fuzz/fuzz_support.h"

namespace {

// The tokens that repeated calls of the C library's wcstok give.
std::vector<std::wstring> WcstokTokens(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.c_str(), text.c_str() + text.size() + 1);
    std::vector<std::wstring> tokens;
    wchar_t* state = nullptr;
    for (wchar_t* token = std::wcstok(buffer.data(), L";", &state); token != nullptr;
         token = std::wcstok(nullptr, L";", &state)) {
        tokens.emplace_back(token);
    }
    return tokens;
}

// A count or an id as the C library reads its ASCII start; nothing when the reading runs on
// into a character outside ASCII (tests/core/reply_test.cpp checks those against _wtoi).
std::optional<std::int32_t> LeadingInt(std::wstring_view token) {
    const std::wstring_view ascii = AsciiPrefix(token);
    std::size_t at = std::min(ascii.find_first_not_of(L" \t\n\v\f\r"), ascii.size());
    at += at < ascii.size() && (ascii[at] == L'-' || ascii[at] == L'+');
    if (ascii.size() < token.size() && ascii.find_first_not_of(L"0123456789", at) == ascii.npos)
        return std::nullopt;
    return LeadingIntOfAscii(ascii);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reply as the HTTP client hands it over: cut at its first NUL.
    std::wstring reply = FuzzTexts(data, size)[0];
    reply.resize(std::min(reply.find(L'\0'), reply.size()));

    const ProfileList list = ParseProfileList(reply);
    const std::vector<std::wstring> tokens = WcstokTokens(reply);
    if (reply.size() < 3 || tokens.size() < 2) {
        CHECK(!list.count.has_value() && list.profiles.empty());
        return 0;
    }
    // Token 1 is the success mark; token 2 the count; then id and name by turns.
    const auto count = LeadingInt(tokens[1]);
    CHECK(list.count.has_value() && (!count || list.count == count));
    const std::size_t announced = static_cast<std::size_t>(std::max(*list.count, 0));
    const std::size_t pairs = (tokens.size() - 2) / 2;
    CHECK(list.profiles.size() == std::min({announced, pairs, std::size_t{20}}));
    for (std::size_t i = 0; i < list.profiles.size(); ++i) {
        const auto id = LeadingInt(tokens[2 + 2 * i]);
        CHECK(!id || list.profiles[i].id == *id);
        // Never empty, never with a separator, at most 259 characters.
        CHECK(list.profiles[i].name == tokens[3 + 2 * i].substr(0, 259));
    }
    return 0;
}
