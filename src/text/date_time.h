// Local civil date-times and the two texts made from them.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kova {

// A local date and time of day to the second, without a time zone: spans are
// differences of civil times, as the clock on the wall shows them.
struct DateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// Seconds from 1970/01/01 00:00:00 to `time`, counted on the civil calendar.
std::int64_t CivilSeconds(const DateTime& time);

// "YYYY/MM/DD HH:MM:SS".
std::string DateTimeText(const DateTime& time);

// Reads exactly the form DateTimeText writes; nothing for anything else or
// for a date that does not exist.
std::optional<DateTime> ParseDateTimeText(std::string_view text);

// "HH:MM:SS" of end - start, hours wrapping at a whole day. A clock set back
// during a run gives "00:00:00", not a negative span.
std::string ElapsedText(const DateTime& start, const DateTime& end);

}  // namespace kova
