#pragma once
// Turns the bytes libFuzzer hands over into the values the core is given.
//
// Wide text: a byte below 0x80 is that character, so seeds stay readable and the
// protocol's ASCII punctuation is one mutation away. A byte from 0x80 to 0xFE
// starts a three-byte unit, (byte - 0x80) << 16 | next two bytes, which reaches
// every UTF-16 unit (NUL and lone surrogates included) and code points above
// 0xFFFF, past U+10FFFF too. A byte 0xFF starts a raw four-byte value, so
// negative wchar_t values occur as well. A '\n' byte ends a text field; a line
// feed inside a value takes the three-byte form.

#include <cstddef>
#include <cstdint>
#include <string>

// The long forms stand for UTF-32 values: the fuzzers run on the host only.
static_assert(sizeof(wchar_t) == 4, "fuzz input decoding expects a 32-bit wchar_t");

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) {}

    // The next byte; 0 once the input is used up.
    std::uint8_t TakeByte() noexcept { return at_ < size_ ? data_[at_++] : 0; }

    // Four bytes, least significant first.
    std::uint32_t TakeU32() noexcept {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            value |= std::uint32_t{TakeByte()} << shift;
        }
        return value;
    }

    // Text up to the next '\n' byte (which is consumed) or to the end.
    std::wstring TakeText() {
        std::wstring text;
        while (at_ < size_) {
            if (data_[at_] == '\n') {
                ++at_;
                break;
            }
            text.push_back(TakeUnit());
        }
        return text;
    }

    // All that is left, as one text in which '\n' is an ordinary character.
    std::wstring TakeRestAsText() {
        std::wstring text;
        while (at_ < size_) text.push_back(TakeUnit());
        return text;
    }

  private:
    wchar_t TakeUnit() noexcept {
        const std::uint8_t lead = TakeByte();
        if (lead < 0x80) return static_cast<wchar_t>(lead);
        if (lead == 0xFF) return static_cast<wchar_t>(TakeU32());
        std::uint32_t value = std::uint32_t{lead - 0x80u} << 16;
        value |= std::uint32_t{TakeByte()} << 8;
        value |= TakeByte();
        return static_cast<wchar_t>(value);
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};
