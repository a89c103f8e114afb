#pragma once
// One form body posted to the service with up to three attempts, no pause between
// them, and diagnostic lines for its steps.

#include <optional>
#include <string>
#include <string_view>

#include "core/reply.h"

// How a post goes out and what it logs. The service operations' posts ask caches
// to stay out of the way and log every step under "[TirnaNet]"; account creation's
// goes without the Cache-Control line and logs only a failed send, in its own words.
struct PostOptions {
    bool noCache = true;
    bool logSteps = true;
    std::wstring_view sendFailedLine = L"[TirnaNet] failed to send request to server; Retry.";
};

// Posts `body` (its bytes, no terminator; none: no post data and no extra headers)
// to `url`. Returns 1 for a success reply, the service code of an error reply, or
// -10 after three attempts without either. `reply`, when given, receives the whole
// reply text on success and is left untouched otherwise.
RequestResult PostForm(std::wstring_view url, std::optional<std::string_view> body,
                       std::wstring* reply, const PostOptions& options = {});
