#include "text_helpers.h"

#include <charconv>
#include <cmath>
#include <iterator>

namespace {

constexpr double kRatioThreshold = 0.95;
constexpr const char* kSizeUnits[] = {" Byte", " KB", " MB", " GB", " TB"};
constexpr int kLargestUnit = static_cast<int>(std::size(kSizeUnits)) - 1;

bool IsDigitOrMinus(char c) {
    return (c >= '0' && c <= '9') || c == '-';
}

}  // namespace

std::string FormatFixed(double value, int digits) {
    // Enough for the 309 integer digits of the largest double, a sign, a point and the decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
    return std::string(buffer, result.ptr);
}

std::string FormatFileSize(double bytes) {
    for (int unit = 0;; ++unit) {
        const double limit = std::pow(1024.0, unit + 1);
        if (unit == kLargestUnit || limit > bytes) {
            const double value = bytes * 1024.0 / limit;
            return FormatFixed(value, 6) + kSizeUnits[unit];
        }
    }
}

std::optional<double> CompressionPercent(double storedBytes, double theoreticalBytes) {
    if (!(storedBytes / theoreticalBytes < kRatioThreshold))
        return std::nullopt;
    return storedBytes * 100.0 / theoreticalBytes;
}

void AppendRatioLine(std::string& report, double storedBytes, double theoreticalBytes) {
    const std::optional<double> percent = CompressionPercent(storedBytes, theoreticalBytes);
    if (!percent)
        return;
    report += "  理论未压缩大小: ";
    report += FormatFileSize(theoreticalBytes);
    report += " 压缩率 ";
    report += FormatFixed(*percent, 2);
    report += '%';
}

void AppendExtentBlock(std::string& report, const GeoTransform& gt, int width, int height) {
    const GeoExtent extent = ComputeExtent(gt, width, height);
    report += "\r\n\r\n地理范围:\r\n";
    report += "\t\t北: ";
    report += FormatFixed(extent.north, 6) + "\r\n";
    report +=
        "\t西: " + FormatFixed(extent.west, 6) + "  东: " + FormatFixed(extent.east, 6) + "\r\n";
    report += "\t\t南: " + FormatFixed(extent.south, 6) + "\r\n";
    report += "\r\n仿射变换参数: [";
    for (int i = 0; i < 6; ++i) {
        if (i != 0)
            report += ',';
        report += FormatFixed(gt[i], 6);
    }
    report += "]\r\n";
}

std::string IndentWkt(std::string_view wkt) {
    std::string out;
    out.reserve(wkt.size() * 2);
    int opens = 0;
    int closes = 0;
    for (std::size_t i = 0; i < wkt.size(); ++i) {
        const char c = wkt[i];
        out += c;
        if (c == ',') {
            const char next = i + 1 < wkt.size() ? wkt[i + 1] : '\0';
            if (!IsDigitOrMinus(next)) {
                out += "\r\n";
                if (opens > closes)
                    out.append(static_cast<std::size_t>(opens - closes), '\t');
            }
        } else if (c == '[') {
            ++opens;
        } else if (c == ']') {
            ++closes;
        }
    }
    return out;
}

void AppendMetadataLines(std::string& report, const std::vector<std::string>& entries,
                         std::string_view prefix) {
    for (const std::string& entry : entries) {
        report += prefix;
        report += ValidUtf8(entry);
    }
}
