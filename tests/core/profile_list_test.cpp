#include "account/profile_list.h"

#include <gtest/gtest.h>

// Found by argument-dependent lookup when a failing comparison is printed.
static void PrintTo(const ProfileEntry& entry, std::ostream* out) {
    *out << entry.id << ":" << ::testing::PrintToString(entry.name);
}

namespace {

// A reply that lists `count` profiles "<i>;Kid<i>".
std::wstring KidsReply(int count) {
    std::wstring reply = L"0;" + std::to_wstring(count);
    for (int i = 1; i <= count; ++i)
        reply += L";" + std::to_wstring(i) + L";Kid" + std::to_wstring(i);
    return reply;
}

std::vector<ProfileEntry> Kids(int count) {
    std::vector<ProfileEntry> kids;
    for (int i = 1; i <= count; ++i) kids.push_back({i, L"Kid" + std::to_wstring(i)});
    return kids;
}

const std::wstring k259(259, L'a');

}  // namespace

TEST(ProfileList, SplitLikeWcstok) {
    const struct {
        std::wstring reply;
        std::optional<std::int32_t> count;
        std::vector<ProfileEntry> profiles;
    } cases[] = {
        {L"0;2;17;Alpha;18;Beta", 2, {{17, L"Alpha"}, {18, L"Beta"}}},
        {L"0;0", 0, {}},
        {L"0;3;17;Alpha", 3, {{17, L"Alpha"}}},
        // The empty name vanishes: 17 pairs with "18", and Beta has no partner.
        {L"0;2;17;;18;Beta", 2, {{17, L"18"}}},
        // Too short to carry anything, or no count token.
        {L"0;", std::nullopt, {}},
        {L"0;;", std::nullopt, {}},
        {L";;;", std::nullopt, {}},
        // Separators at the start are skipped, so "0" is not taken for the count.
        {L";;0;1;5;Kid", 1, {{5, L"Kid"}}},
        // Whatever precedes the first ";" is the success mark.
        {L"0ok;1;5;Kid;", 1, {{5, L"Kid"}}},
        {L"0;2x;  7y;A B;z;C", 2, {{7, L"A B"}, {0, L"C"}}},
        {L"0;-1;5;Kid", -1, {}},
        {L"0;1;5;Kid;6;Other", 1, {{5, L"Kid"}}},
        // The table holds 20; the count stays as announced.
        {KidsReply(20), 20, Kids(20)},
        {KidsReply(25), 25, Kids(20)},
        // A name is kept in 259 characters.
        {L"0;2;1;" + k259 + L"bcd;2;" + k259, 2, {{1, k259}, {2, k259}}},
    };
    for (const auto& c : cases) {
        const ProfileList list = ParseProfileList(c.reply);
        EXPECT_EQ(list.count, c.count) << ::testing::PrintToString(c.reply);
        EXPECT_EQ(list.profiles, c.profiles) << ::testing::PrintToString(c.reply);
    }
    // Only a stored entry can be chosen; CB_ERR (-1) chooses none.
    EXPECT_EQ(ChosenProfileId(Kids(2), 1), 2);
    EXPECT_EQ(ChosenProfileId(Kids(2), 2), std::nullopt);
    EXPECT_EQ(ChosenProfileId(Kids(2), -1), std::nullopt);
}
