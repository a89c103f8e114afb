#pragma once
// The one size of the program's text buffers. Every text read from a control, the
// registry or the system, and every value converted for a request body, goes
// through a buffer of this many units (wide characters or bytes), its terminator
// included: at most kTextLimit units of text count.

#include <cstddef>

inline constexpr std::size_t kTextBufferSize = 260;
inline constexpr std::size_t kTextLimit = kTextBufferSize - 1;
