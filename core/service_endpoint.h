#pragma once
// Where the Tirna service lives. The origin is fixed when the program is built.

#include <string_view>

// The one URL every request is posted to: the origin and "/device_point.php".
[[nodiscard]] std::wstring_view ServiceEndpoint() noexcept;

// The parent's account page: the origin and "/account.php".
[[nodiscard]] std::wstring_view AccountPageUrl() noexcept;
