// FILETIME arithmetic: the 1601 epoch lies 11644473600 seconds before the Unix epoch.
// Formatting uses a proleptic Gregorian calendar computed from the day number.
#include "file_time.h"

#include <cstdio>
#include <limits>

namespace quillset {
namespace {

constexpr std::int64_t EPOCH_DIFFERENCE = 11644473600;
constexpr std::uint64_t TICKS_PER_SECOND = 10000000;

}  // namespace

std::optional<std::uint64_t> ConvertToFileTime(std::int64_t seconds, std::int64_t nanoseconds)
{
    if (seconds < -EPOCH_DIFFERENCE || nanoseconds < 0 || nanoseconds >= 1000000000)
        return std::nullopt;
    const auto sinceEpoch = static_cast<std::uint64_t>(seconds + EPOCH_DIFFERENCE);
    if (sinceEpoch > (std::numeric_limits<std::uint64_t>::max() - TICKS_PER_SECOND) / TICKS_PER_SECOND)
        return std::nullopt;
    return sinceEpoch * TICKS_PER_SECOND + static_cast<std::uint64_t>(nanoseconds) / 100;
}

std::string FormatFileTime(std::uint64_t fileTime)
{
    const std::uint64_t totalSeconds = fileTime / TICKS_PER_SECOND;
    const std::uint64_t secondsOfDay = totalSeconds % 86400;
    // Days since 1601-01-01 shifted to a March-based year starting 1600-03-01 (day 306 before).
    const std::uint64_t days = totalSeconds / 86400 + 306;
    const std::uint64_t era = days / 146097;
    const std::uint64_t dayOfEra = days % 146097;
    const std::uint64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::uint64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::uint64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::uint64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::uint64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::uint64_t year = 1600 + era * 400 + yearOfEra + (month <= 2 ? 1 : 0);

    char text[64];
    std::snprintf(text, sizeof text, "%04llu-%02llu-%02llu %02llu:%02llu:%02llu UTC",
                  static_cast<unsigned long long>(year), static_cast<unsigned long long>(month),
                  static_cast<unsigned long long>(day), static_cast<unsigned long long>(secondsOfDay / 3600),
                  static_cast<unsigned long long>(secondsOfDay / 60 % 60),
                  static_cast<unsigned long long>(secondsOfDay % 60));
    return text;
}

}  // namespace quillset
