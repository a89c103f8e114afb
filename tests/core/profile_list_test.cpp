#include "account/profile_list.h"

#include <gtest/gtest.h>

#include <string>

// Found by argument-dependent lookup when a failing comparison is printed.
static void PrintTo(const ProfileEntry& entry, std::ostream* out) {
    *out << entry.id << ":" << ::testing::PrintToString(entry.name);
}

TEST(ProfileList, SplitLikeWcstok) {
    struct Case {
        std::wstring reply;
        std::optional<std::int32_t> count;
        std::vector<ProfileEntry> profiles;
    };
    const Case cases[] = {
        {L"0;2;17;Alpha;18;Beta", 2, {{17, L"Alpha"}, {18, L"Beta"}}},
        {L"0;0", 0, {}},
        {L"0;3;17;Alpha", 3, {{17, L"Alpha"}}},
        // The empty name vanishes: 17 pairs with "18", and Beta has no partner.
        {L"0;2;17;;18;Beta", 2, {{17, L"18"}}},
        // Too short to carry anything, or no count token.
        {L"0", std::nullopt, {}},
        {L"0;", std::nullopt, {}},
        {L"0;;", std::nullopt, {}},
        {L";;;", std::nullopt, {}},
        // Separators at the start are skipped, so "0" is not taken for the count.
        {L";;0;1;5;Kid", 1, {{5, L"Kid"}}},
        // Whatever precedes the first ";" is the success mark.
        {L"0ok;1;5;Kid;", 1, {{5, L"Kid"}}},
        // The count and ids are read as _wtoi reads them.
        {L"0;2x;  7y;A B;z;C", 2, {{7, L"A B"}, {0, L"C"}}},
        {L"0;-1;5;Kid", -1, {}},
        {L"0;abc;5;Kid", 0, {}},
        // Pairs beyond the announced count are not read.
        {L"0;1;5;Kid;6;Other", 1, {{5, L"Kid"}}},
        {L"0;1;-6;Kid", 1, {{-6, L"Kid"}}},
    };
    for (const auto& c : cases) {
        const ProfileList list = ParseProfileList(c.reply);
        EXPECT_EQ(list.count, c.count) << ::testing::PrintToString(c.reply);
        EXPECT_EQ(list.profiles, c.profiles) << ::testing::PrintToString(c.reply);
    }
}

TEST(ProfileList, OnlyTheFirstTwentyProfilesAreKept) {
    std::wstring reply = L"0;25";
    for (int i = 1; i <= 25; ++i) reply += L";" + std::to_wstring(i) + L";Kid" + std::to_wstring(i);
    const ProfileList list = ParseProfileList(reply);
    EXPECT_EQ(list.count, 25);
    ASSERT_EQ(list.profiles.size(), kProfileTableSize);
    EXPECT_EQ(list.profiles.front(), (ProfileEntry{1, L"Kid1"}));
    EXPECT_EQ(list.profiles.back(), (ProfileEntry{20, L"Kid20"}));
}

TEST(ProfileList, LongNamesAreCutTo259Characters) {
    const std::wstring longName = std::wstring(259, L'a') + L"bcd";
    const ProfileList list =
        ParseProfileList(L"0;2;1;" + longName + L";2;" + longName.substr(0, 259));
    ASSERT_EQ(list.profiles.size(), 2u);
    EXPECT_EQ(list.profiles[0].name, std::wstring(259, L'a'));
    EXPECT_EQ(list.profiles[1].name, std::wstring(259, L'a'));
}

TEST(ProfileList, ChosenProfileOnlyWithinTheStoredEntries) {
    const std::vector<ProfileEntry> profiles = {{17, L"Alpha"}, {18, L"Beta"}};
    EXPECT_EQ(ChosenProfileId(profiles, 0), 17);
    EXPECT_EQ(ChosenProfileId(profiles, 1), 18);
    EXPECT_EQ(ChosenProfileId(profiles, 2), std::nullopt);
    EXPECT_EQ(ChosenProfileId(profiles, -1), std::nullopt);  // CB_ERR: nothing chosen
    EXPECT_EQ(ChosenProfileId({}, 0), std::nullopt);
}
