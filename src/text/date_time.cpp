#include "text/date_time.h"

#include <charconv>
#include <cstdio>

namespace kova {
namespace {

// Days from 1970-01-01 in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ReadField(std::string_view text, std::size_t pos, std::size_t width, int& value) {
    const char* first = text.data() + pos;
    const char* last = first + width;
    for (const char* p = first; p != last; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
    }
    return std::from_chars(first, last, value).ptr == last;
}

}  // namespace

std::int64_t CivilSeconds(const DateTime& time) {
    const std::int64_t days = DaysFromCivil(time.year, static_cast<unsigned>(time.month),
                                            static_cast<unsigned>(time.day));
    return days * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
}

std::string DateTimeText(const DateTime& time) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return buffer;
}

std::optional<DateTime> ParseDateTimeText(std::string_view text) {
    // YYYY/MM/DD HH:MM:SS
    if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    DateTime time;
    if (!ReadField(text, 0, 4, time.year) || !ReadField(text, 5, 2, time.month) ||
        !ReadField(text, 8, 2, time.day) || !ReadField(text, 11, 2, time.hour) ||
        !ReadField(text, 14, 2, time.minute) || !ReadField(text, 17, 2, time.second)) {
        return std::nullopt;
    }
    if (time.year < 1 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > DaysInMonth(time.year, time.month) || time.hour > 23 || time.minute > 59 ||
        time.second > 59) {
        return std::nullopt;
    }
    return time;
}

std::string ElapsedText(const DateTime& start, const DateTime& end) {
    std::int64_t span = CivilSeconds(end) - CivilSeconds(start);
    if (span < 0) {
        span = 0;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", static_cast<int>(span / 3600 % 24),
                  static_cast<int>(span / 60 % 60), static_cast<int>(span % 60));
    return buffer;
}

}  // namespace kova
