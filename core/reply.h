#pragma once
// Judging the service's replies. A reply is short text judged by its first
// characters; the HTTP status plays no part.

#include <cstdint>
#include <string_view>

// The outcome of one service request: 1 success; a service code from an error
// reply (0 for "-0"); -10 when no valid reply came; -1 when nothing could be sent.
using RequestResult = std::int32_t;
inline constexpr RequestResult kRequestSucceeded = 1;
inline constexpr RequestResult kRequestNoValidReply = -10;
inline constexpr RequestResult kRequestNotSent = -1;
// An error reply whose code reads as 0: the service failed.
inline constexpr RequestResult kRequestServerError = 0;

// -10 (no valid reply) and 0 (an error reply reading as 0): the service was not
// reached or failed, rather than refusing the request.
[[nodiscard]] constexpr bool IsCommunicationFailure(RequestResult result) noexcept {
    return result == kRequestNoValidReply || result == kRequestServerError;
}

enum class ReplyKind {
    Success,  // first character '0'
    Error,    // '-' followed by a decimal digit
    Invalid,  // anything else, the empty reply included
};

[[nodiscard]] ReplyKind JudgeReply(std::wstring_view reply) noexcept;

// A decimal integer read as _wtoi reads it: leading white space skipped, an
// optional sign, digits up to the first other character; no digits give 0.
[[nodiscard]] std::int32_t ReadLeadingInt(std::wstring_view text) noexcept;
