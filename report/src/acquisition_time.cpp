#include "acquisition_time.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <string_view>

namespace {

struct AcquisitionItem {
    const char* domain;  // nullptr: the default domain
    const char* key;
};

// In order of preference: the imagery domain's acquisition time, which drivers of satellite
// products fill, then the TIFF's own date and time.
constexpr std::array<AcquisitionItem, 2> kAcquisitionItems{{
    {"IMAGERY", "ACQUISITIONDATETIME"},
    {nullptr, "TIFFTAG_DATETIME"},
}};

constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;
constexpr int kLastMonth = 12;
constexpr int kLastDay = 31;
constexpr int kLastHour = 23;
constexpr int kLastMinute = 59;
constexpr int kLastSecond = 60;  // a leap second

// "2021:06:30 10:20:30" (TIFF) or "2021-06-30T10:20:30[.fff][Z]" (ISO 8601) as RFC 3339; empty
// when the text is neither or holds an impossible date.
std::string NormalisedTime(const char* text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char dateSeparator = 0, timeSeparator = 0;
    int consumed = 0;
    if (std::sscanf(text, "%4d%c%2d%*c%2d%c%2d:%2d:%2d%n", &year, &dateSeparator, &month, &day,
                    &timeSeparator, &hour, &minute, &second, &consumed) != 8) {
        return {};
    }
    if ((dateSeparator != '-' && dateSeparator != ':') ||
        (timeSeparator != 'T' && timeSeparator != ' ') || year < kFirstYear || year > kLastYear ||
        month < 1 || month > kLastMonth || day < 1 || day > kLastDay || hour < 0 ||
        hour > kLastHour || minute < 0 || minute > kLastMinute || second < 0 ||
        second > kLastSecond) {
        return {};
    }
    // Only UTC, or no zone at all, may follow (after a fraction of a second).
    const char* rest = text + consumed;
    if (*rest == '.') {
        do {
            ++rest;
        } while (*rest >= '0' && *rest <= '9');
    }
    if (*rest != '\0' && std::string_view(rest) != "Z")
        return {};
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, hour, minute,
                  second);
    return out;
}

}  // namespace

std::string FindAcquisitionTime(GDALDatasetH dataset) {
    for (const AcquisitionItem& item : kAcquisitionItems) {
        const char* value = GDALGetMetadataItem(dataset, item.key, item.domain);
        if (value == nullptr)
            continue;
        std::string time = NormalisedTime(value);
        if (!time.empty())
            return time;
    }
    return {};
}

std::string Rfc3339FromSeconds(std::int64_t seconds) {
    const auto moment = static_cast<std::time_t>(seconds);
    std::tm utc{};
    if (gmtime_r(&moment, &utc) == nullptr)
        return {};
    char out[32];
    if (std::strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0)
        return {};
    return out;
}
