#include "core/profile_list.h"

#include "core/reply.h"

namespace {

constexpr wchar_t kSeparator = L';';
constexpr std::size_t kShortestListReply = 3;

// The tokens of the text one by one, as repeated wcstok_s calls give them.
class Tokens {
  public:
    explicit Tokens(std::wstring_view text) : rest_(text) {}

    std::optional<std::wstring_view> Next() {
        const std::size_t start = rest_.find_first_not_of(kSeparator);
        if (start == std::wstring_view::npos) return std::nullopt;
        rest_.remove_prefix(start);
        const std::size_t end = rest_.find(kSeparator);
        const std::wstring_view token = rest_.substr(0, end);
        rest_.remove_prefix(end == std::wstring_view::npos ? rest_.size() : end);
        return token;
    }

  private:
    std::wstring_view rest_;
};

}  // namespace

ProfileList ParseProfileList(std::wstring_view reply) {
    ProfileList list;
    if (reply.size() < kShortestListReply) return list;
    Tokens tokens(reply);
    tokens.Next();  // the success mark and whatever follows it up to the first ";"
    const auto count = tokens.Next();
    if (!count) return list;
    list.count = ReadLeadingInt(*count);
    for (std::int32_t i = 0; i < *list.count && list.profiles.size() < kProfileTableSize; ++i) {
        const auto id = tokens.Next();
        const auto name = tokens.Next();
        if (!id || !name) break;
        list.profiles.push_back(
            {ReadLeadingInt(*id), std::wstring(name->substr(0, kProfileNameLimit))});
    }
    return list;
}

std::optional<std::int32_t> ChosenProfileId(const std::vector<ProfileEntry>& profiles,
                                            std::intptr_t selection) {
    if (selection < 0 || static_cast<std::size_t>(selection) >= profiles.size()) {
        return std::nullopt;
    }
    return profiles[static_cast<std::size_t>(selection)].id;
}
