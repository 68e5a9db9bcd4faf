// Byte-level helpers for code page 932 text.
#pragma once

#include <string>
#include <string_view>

namespace kova {

// First byte of a double-byte character.
constexpr bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// a-z to A-Z and full-width a-z to full-width A-Z; the second byte of a
// double-byte character is never touched, even when it falls in a-z.
std::string UpperCase(std::string_view text);

}  // namespace kova
