#pragma once
// A small JSON reader and writer for talking to the stand-in service's control
// endpoints. Texts are UTF-8; object members keep the order in which they came.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct JsonMember;

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;     // of an array
    std::vector<JsonMember> members;  // of an object

    // The member with this name; a null value when there is none or this is no object.
    const JsonValue& operator[](std::string_view name) const;
    bool IsNull() const { return kind == Kind::Null; }
    std::int64_t Integer() const { return static_cast<std::int64_t>(number); }
};

struct JsonMember {
    std::string name;
    JsonValue value;
};

// The value of a whole JSON text, or nothing when the text is not valid JSON.
std::optional<JsonValue> ParseJson(std::string_view text);

// A UTF-8 text as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);
