#pragma once

#include <string>
#include <string_view>

namespace tavro {

struct LocalTime {
    int year = 1970;
    int month = 1;    // 1 to 12
    int day = 1;      // 1 to 31
    int weekday = 4;  // 0 Sunday to 6 Saturday
    int hour = 0;     // 0 to 23
    int minute = 0;
    int second = 0;
};

LocalTime CurrentLocalTime();

// Formats %A %B %d %Y %I %M %S %p (and %%) with English names, whatever the
// user's locale, so logs read the same everywhere. Other text is copied.
std::string FormatTime(const LocalTime& time, std::string_view format);

// The three stamps of the logs.
inline constexpr std::string_view kLongStamp = "%A, %B %d, %Y, %I:%M:%S %p";
inline constexpr std::string_view kShortStamp = "%I:%M:%S %p";
inline constexpr std::string_view kAbortStamp = "%A %B %d, %I:%M:%S %p";

inline std::string Stamp(std::string_view format) {
    return FormatTime(CurrentLocalTime(), format);
}

}  // namespace tavro
