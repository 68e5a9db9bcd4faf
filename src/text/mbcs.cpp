#include "text/mbcs.h"

namespace kova {

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (std::size_t i = 0; i < result.size(); ++i) {
        const auto byte = static_cast<unsigned char>(result[i]);
        if (IsLeadByte(byte)) {
            if (i + 1 < result.size()) {
                const auto trail = static_cast<unsigned char>(result[i + 1]);
                if (byte == 0x82 && trail >= 0x81 && trail <= 0x9A) {
                    result[i + 1] = static_cast<char>(trail - 0x21);
                }
            }
            ++i;
        } else if (byte >= 'a' && byte <= 'z') {
            result[i] = static_cast<char>(byte - ('a' - 'A'));
        }
    }
    return result;
}

}  // namespace kova
