#include "text/cp932.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "text/mbcs.h"

namespace kova {
namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Tables built once from glibc's CP932 converter, keeping only the codes that
// survive a round trip.
class Cp932Tables {
  public:
    Cp932Tables() {
        iconv_t toUnicode = iconv_open("UTF-32LE", "CP932");
        iconv_t fromUnicode = iconv_open("CP932", "UTF-32LE");
        if (toUnicode == reinterpret_cast<iconv_t>(-1) ||
            fromUnicode == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("glibc has no CP932 converter (gconv modules missing)");
        }
        single_.fill(kInvalid);
        double_.assign(kLeadSlots * 256, kInvalid);
        for (unsigned b = 0; b < 256; ++b) {
            if (IsLeadByte(static_cast<unsigned char>(b))) {
                continue;
            }
            const std::string bytes(1, static_cast<char>(b));
            Learn(toUnicode, fromUnicode, bytes, single_[b]);
        }
        for (unsigned lead = 0; lead < 256; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) {
                continue;
            }
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
                Learn(toUnicode, fromUnicode, bytes, double_[Slot(lead, trail)]);
            }
        }
        iconv_close(toUnicode);
        iconv_close(fromUnicode);
        for (char32_t c = 0; c < 0x80; ++c) {
            const std::string* code = Encode(c);
            asciiSame_[c] = code != nullptr && *code == std::string(1, static_cast<char>(c));
        }
    }

    char32_t Single(unsigned char b) const { return single_[b]; }
    char32_t Double(unsigned char lead, unsigned char trail) const {
        return double_[Slot(lead, trail)];
    }
    // ASCII that stands for itself, which most of a data text is.
    bool AsciiSame(char32_t c) const { return c < 0x80 && asciiSame_[c]; }
    const std::string* Encode(char32_t c) const {
        const auto it = encode_.find(c);
        return it == encode_.end() ? nullptr : &it->second;
    }

  private:
    static constexpr std::size_t kLeadSlots = 0x1F + 0x1D;  // 0x81-0x9F, 0xE0-0xFC

    static std::size_t Slot(unsigned lead, unsigned trail) {
        const unsigned index = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 0x1F;
        return index * 256 + trail;
    }

    static std::string Convert(iconv_t cd, const std::string& input) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::string in(input);
        char out[16];
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = out;
        std::size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return {};
        }
        return std::string(out, static_cast<std::size_t>(outPtr - out));
    }

    void Learn(iconv_t toUnicode, iconv_t fromUnicode, const std::string& bytes, char32_t& slot) {
        const std::string utf32 = Convert(toUnicode, bytes);
        if (utf32.size() != 4) {
            return;
        }
        const char32_t c = static_cast<unsigned char>(utf32[0]) |
                           static_cast<unsigned char>(utf32[1]) << 8 |
                           static_cast<unsigned char>(utf32[2]) << 16 |
                           static_cast<char32_t>(static_cast<unsigned char>(utf32[3])) << 24;
        if (c >= kRawBytePlane && c <= kRawBytePlane + 0xFF) {
            return;  // would collide with the raw-byte characters
        }
        if (Convert(fromUnicode, utf32) != bytes) {
            return;
        }
        slot = c;
        encode_.emplace(c, bytes);
    }

    std::array<char32_t, 256> single_{};
    std::vector<char32_t> double_;
    std::unordered_map<char32_t, std::string> encode_;
    std::array<bool, 0x80> asciiSame_{};
};

const Cp932Tables& Tables() {
    static const Cp932Tables tables;
    return tables;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::u32string DecodeCp932(std::string_view bytes) {
    const Cp932Tables& tables = Tables();
    std::u32string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (IsLeadByte(b)) {
            if (i + 1 < bytes.size()) {
                const auto trail = static_cast<unsigned char>(bytes[i + 1]);
                const char32_t c = tables.Double(b, trail);
                if (c != kInvalid) {
                    text += c;
                    ++i;
                    continue;
                }
            }
            text += kRawBytePlane + b;
            continue;
        }
        const char32_t c = tables.Single(b);
        text += c != kInvalid ? c : kRawBytePlane + b;
    }
    return text;
}

std::string EncodeCp932(std::u32string_view text, bool* lossy) {
    const Cp932Tables& tables = Tables();
    std::string bytes;
    bytes.reserve(text.size() * 2);
    bool replaced = false;
    for (const char32_t c : text) {
        if (tables.AsciiSame(c)) {
            bytes += static_cast<char>(c);
        } else if (c >= kRawBytePlane && c <= kRawBytePlane + 0xFF) {
            bytes += static_cast<char>(c - kRawBytePlane);
        } else if (const std::string* code = tables.Encode(c)) {
            bytes += *code;
        } else {
            bytes += '?';
            replaced = true;
        }
    }
    if (lossy != nullptr) {
        *lossy = replaced;
    }
    return bytes;
}

std::optional<std::u32string> DecodeUtf8(std::string_view utf8, std::size_t* errorOffset) {
    std::u32string text;
    text.reserve(utf8.size());
    std::size_t i = 0;
    auto fail = [&](std::size_t at) -> std::optional<std::u32string> {
        if (errorOffset != nullptr) {
            *errorOffset = at;
        }
        return std::nullopt;
    };
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (b < 0x80) {
            text += b;
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2, c = b & 0x1F, minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, c = b & 0x0F, minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, c = b & 0x07, minimum = 0x10000;
        } else {
            return fail(i);
        }
        if (i + length > utf8.size()) {
            return fail(i);
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                return fail(i);
            }
            c = (c << 6) | (next & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return fail(i);
        }
        text += c;
        i += length;
    }
    return text;
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (const char32_t c : text) {
        AppendUtf8(out, c);
    }
    return out;
}

Utf8Conversion Utf8ToCp932(std::string_view utf8) {
    Utf8Conversion result;
    std::size_t errorOffset = 0;
    const auto text = DecodeUtf8(utf8, &errorOffset);
    if (!text) {
        result.invalidUtf8 = true;
        result.errorOffset = errorOffset;
        return result;
    }
    const Cp932Tables& tables = Tables();
    std::size_t offset = 0;
    for (const char32_t c : *text) {
        if (c >= kRawBytePlane && c <= kRawBytePlane + 0xFF) {
            result.bytes += static_cast<char>(c - kRawBytePlane);
        } else if (const std::string* code = tables.Encode(c)) {
            result.bytes += *code;
        } else {
            result.errorOffset = offset;
            return result;
        }
        offset += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    }
    result.ok = true;
    return result;
}

}  // namespace kova
