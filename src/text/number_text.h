// The two number forms of every system text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kova {

// Ten significant digits: fixed notation while the leading digit's power of
// ten p lies in -1..9, else d.ddddddddde+ddd; trailing fraction zeros go,
// the point stays (60 -> "60.", 0.05 -> "5.e-002", 0 -> "0.").
std::string NumberText(double value);

// Decimal digits with a leading minus for negative values.
std::string IntegerText(std::int64_t value);

// A finite number typed by a user, as the C library reads it (the whole
// text, spaces around it aside). Full-width digits, signs, point and
// exponent letter, as an input method types them, read as their ASCII
// forms. UTF-8 in; nothing for anything else.
std::optional<double> ReadNumberText(std::string_view utf8);

}  // namespace kova
