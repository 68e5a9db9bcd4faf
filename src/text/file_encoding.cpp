#include "text/file_encoding.h"

#include "text/cp932.h"

namespace kova {
namespace {

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool IsUtf8(FileEncoding encoding) {
    return encoding == FileEncoding::Utf8 || encoding == FileEncoding::Utf8WithBom;
}

std::string_view WithoutBom(std::string_view bytes) {
    return bytes.starts_with(kUtf8Bom) ? bytes.substr(kUtf8Bom.size()) : bytes;
}

}  // namespace

FileEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) {
        return DecodeUtf8(bytes.substr(kUtf8Bom.size())) ? FileEncoding::Utf8WithBom
                                                         : FileEncoding::Unknown;
    }
    if (IsAscii(bytes)) {
        return FileEncoding::Cp932;
    }
    // Code page 932 text with double-byte characters is almost never valid
    // UTF-8, while UTF-8 is almost never clean code page 932.
    if (DecodeUtf8(bytes)) {
        return FileEncoding::Utf8;
    }
    for (const char32_t c : DecodeCp932(bytes)) {
        if (c >= kRawBytePlane && c <= kRawBytePlane + 0xFF) {
            return FileEncoding::Unknown;
        }
    }
    return FileEncoding::Cp932;
}

std::u32string DecodeFileText(std::string_view bytes, FileEncoding encoding) {
    if (IsUtf8(encoding)) {
        if (auto text = DecodeUtf8(WithoutBom(bytes))) {
            return std::move(*text);
        }
    }
    return DecodeCp932(bytes);
}

std::string EncodeFileText(std::u32string_view text, FileEncoding encoding, bool* lossy) {
    if (!IsUtf8(encoding)) {
        return EncodeCp932(text, lossy);
    }
    if (lossy != nullptr) {
        *lossy = false;
    }
    std::string bytes = encoding == FileEncoding::Utf8WithBom ? std::string(kUtf8Bom) : std::string();
    bytes += EncodeUtf8(text);
    return bytes;
}

std::string DataTextOf(std::string_view bytes, FileEncoding encoding, bool* lossy) {
    if (!IsUtf8(encoding)) {
        if (lossy != nullptr) {
            *lossy = false;
        }
        return std::string(bytes);
    }
    return EncodeCp932(DecodeFileText(bytes, encoding), lossy);
}

}  // namespace kova
