#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

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

}  // namespace kova
