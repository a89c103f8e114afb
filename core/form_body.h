#pragma once
// Request bodies: 8-bit text of fields in a fixed order. Each field literal carries
// its own separators ("action=authuser", "&did=", "&uname=", ...).

#include <string>
#include <string_view>

// Appends the literal and then the value byte for byte. Values are never
// percent-encoded: "&", "=", "+" and "%" in a value go out unchanged.
void AppendFormField(std::string& body, std::string_view literal, std::string_view value);
