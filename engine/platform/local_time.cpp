#include "engine/platform/local_time.h"

namespace tavro {
namespace {

constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};

void AppendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string FormatTime(const LocalTime& time, std::string_view format) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        switch (format[++i]) {
            case 'A': out += kWeekdays[time.weekday % 7]; break;
            case 'B': out += kMonths[(time.month + 11) % 12]; break;
            case 'd': AppendTwoDigits(out, time.day); break;
            case 'Y': out += std::to_string(time.year); break;
            case 'I': AppendTwoDigits(out, time.hour % 12 == 0 ? 12 : time.hour % 12); break;
            case 'M': AppendTwoDigits(out, time.minute); break;
            case 'S': AppendTwoDigits(out, time.second); break;
            case 'p': out += time.hour < 12 ? "AM" : "PM"; break;
            case '%': out += '%'; break;
            default:
                out += '%';
                out += format[i];
        }
    }
    return out;
}

}  // namespace tavro
