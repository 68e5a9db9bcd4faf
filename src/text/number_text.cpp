#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "text/c_runtime.h"

namespace kova {
namespace {

constexpr int kSignificantDigits = 10;

// Power of ten of the leading digit of the exact value (not of the value
// rounded to ten digits: 9999999999.6 stays in fixed notation).
int LeadingPower(double magnitude) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 16);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const auto e = text.find('e');
    int power = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    power);
    return power;
}

void StripFractionZeros(std::string& digits) {
    const auto point = digits.find('.');
    if (point == std::string::npos) {
        return;
    }
    auto end = digits.size();
    while (end > point + 1 && digits[end - 1] == '0') {
        --end;
    }
    digits.resize(end);
}

}  // namespace

std::string NumberText(double value) {
    if (std::isnan(value)) {
        return "-1.#IND";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-1.#INF" : "1.#INF";
    }
    if (value == 0.0) {
        return "0.";
    }
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);
    const int power = LeadingPower(magnitude);
    char buffer[400];
    std::string text;
    if (power >= -1 && power <= kSignificantDigits - 1) {
        const int decimals = kSignificantDigits - 1 - power;
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                          std::chars_format::fixed, decimals);
        text.assign(buffer, result.ptr);
        StripFractionZeros(text);
    } else {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                          std::chars_format::scientific, kSignificantDigits - 1);
        const std::string_view raw(buffer, static_cast<std::size_t>(result.ptr - buffer));
        const auto e = raw.find('e');
        std::string mantissa(raw.substr(0, e));
        StripFractionZeros(mantissa);
        const char sign = raw[e + 1];
        std::string exponent(raw.substr(e + 2));
        while (exponent.size() < 3) {
            exponent.insert(exponent.begin(), '0');
        }
        text = mantissa + 'e' + sign + exponent;
    }
    return negative ? '-' + text : text;
}

std::string IntegerText(std::int64_t value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::optional<double> ReadNumberText(std::string_view utf8) {
    // U+FF01..U+FF5E are the full-width forms of ASCII 0x21..0x7E: EF BC 81
    // to EF BD 9E. U+3000 is the ideographic space.
    std::string ascii;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte == 0xE3 && utf8.substr(i, 3) == "\xE3\x80\x80") {
            ascii += ' ';
            i += 2;
        } else if (byte == 0xEF && i + 2 < utf8.size()) {
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            const auto third = static_cast<unsigned char>(utf8[i + 2]);
            const int code = (second == 0xBC && third >= 0x81 && third <= 0xBF) ? third - 0x60
                             : (second == 0xBD && third >= 0x80 && third <= 0x9E) ? third - 0x20
                                                                                 : -1;
            if (code < 0) {
                return std::nullopt;
            }
            ascii += static_cast<char>(code);
            i += 2;
        } else if (byte >= 0x80) {
            return std::nullopt;
        } else {
            ascii += static_cast<char>(byte);
        }
    }
    const std::size_t first = ascii.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    ascii = ascii.substr(first, ascii.find_last_not_of(" \t") + 1 - first);
    std::size_t consumed = 0;
    const double value = Strtod(ascii, &consumed);
    if (consumed != ascii.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kova
