// Lossless conversion between code page 932 bytes and Unicode.
//
// A character is kept only when it converts back to the same bytes; every
// other byte b becomes the private-use character U+F700 + b and converts back
// to b. So bytes -> Unicode -> bytes always gives the original bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kova {

inline constexpr char32_t kRawBytePlane = 0xF700;

std::u32string DecodeCp932(std::string_view bytes);

// Characters without a code page 932 form are replaced by '?'; `lossy`, when
// given, tells whether that happened.
std::string EncodeCp932(std::u32string_view text, bool* lossy = nullptr);

// UTF-8 helpers: strict decoding (no overlongs, surrogates or truncation).
std::optional<std::u32string> DecodeUtf8(std::string_view utf8, std::size_t* errorOffset = nullptr);
std::string EncodeUtf8(std::u32string_view text);

inline std::string Cp932ToUtf8(std::string_view bytes) {
    return EncodeUtf8(DecodeCp932(bytes));
}

// Result of reading UTF-8 into code page 932.
struct Utf8Conversion {
    std::string bytes;  // the text in code page 932 when ok
    bool ok = false;
    std::size_t errorOffset = 0;  // byte offset in the UTF-8 input of the fault
    bool invalidUtf8 = false;     // malformed UTF-8 (else: a character without a cp932 form)
};
Utf8Conversion Utf8ToCp932(std::string_view utf8);

}  // namespace kova
