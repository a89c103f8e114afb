#pragma once
// The child profiles of a getprofiles success reply: "0;<count>;<id>;<name>;...".

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_buffer.h"

// The profile table has room for this many profiles.
inline constexpr std::size_t kProfileTableSize = 20;
// A name is kept in a text buffer: at most 259 characters.
inline constexpr std::size_t kProfileNameLimit = kTextLimit;

struct ProfileEntry {
    std::int32_t id = 0;
    std::wstring name;
};

struct ProfileList {
    // The announced number of profiles; absent when the reply has no count.
    std::optional<std::int32_t> count;
    // The pairs that came, in order, at most the announced number.
    std::vector<ProfileEntry> profiles;
};

// Splits the reply at ";" as wcstok_s does (separators at the start skipped, a run
// of them counting as one, so no token is empty). The first token is the success
// mark and is not read; the second is the count, read as _wtoi reads it; then
// pairs of id and name follow. A reply shorter than 3 characters carries nothing.
// Only the first kProfileTableSize pairs are taken, the table's room; the count
// stays as announced. A name longer than kProfileNameLimit is cut there.
[[nodiscard]] ProfileList ParseProfileList(std::wstring_view reply);

// The id of the listed profile at `selection` (a list index, CB_ERR for none), or
// nothing when no stored profile is chosen.
[[nodiscard]] std::optional<std::int32_t> ChosenProfileId(const std::vector<ProfileEntry>& profiles,
                                                          std::intptr_t selection);
