// Which encoding a data file is written in, and the text of such a file in
// the code page the calculation reads.
#pragma once

#include <string>
#include <string_view>

namespace kova {

enum class FileEncoding {
    Cp932,
    Utf8,
    Utf8WithBom,
    // Neither: taken as code page 932, its bytes kept as they are.
    Unknown,
};

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A BOM followed by valid UTF-8, or valid UTF-8 that is not plain ASCII, is
// UTF-8; code page 932 that holds only its own characters is Cp932 (plain
// ASCII among it); anything else is Unknown.
FileEncoding DetectEncoding(std::string_view bytes);

// The file's text in code page 932, line ends as they are; characters
// without a code page 932 form become '?' and set `lossy`.
std::string DataTextOf(std::string_view bytes, FileEncoding encoding, bool* lossy = nullptr);

// Text (Unicode) to file bytes: code page 932 for Cp932 and Unknown
// ('?' for characters without a form, setting `lossy`), UTF-8 otherwise,
// after a BOM for Utf8WithBom.
std::string EncodeFileText(std::u32string_view text, FileEncoding encoding, bool* lossy);

// File bytes to text; the inverse of EncodeFileText for what it wrote.
std::u32string DecodeFileText(std::string_view bytes, FileEncoding encoding);

}  // namespace kova
