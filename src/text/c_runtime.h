// Number reading with the semantics of the classic C runtime: the longest
// valid prefix counts and anything unreadable is 0. Independent of the C
// library's locale, which a Qt application changes to the user's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kova {

// Leading blanks, optional sign, digits; clamps to the int32 range.
std::int32_t Atoi(std::string_view text);

// Leading blanks, optional sign, digits with an optional point, optional
// exponent (e or E). Overflow gives +-HUGE_VAL. `consumed` receives the bytes
// read, blanks included, or 0 when no number was found.
double Strtod(std::string_view text, std::size_t* consumed = nullptr);

inline double Atof(std::string_view text) {
    return Strtod(text);
}

}  // namespace kova
