#include "text_helpers.h"

#include <charconv>
#include <cmath>
#include <iterator>

namespace {

constexpr double kRatioThreshold = 0.95;
constexpr const char16_t* kSizeUnits[] = {u" Byte", u" KB", u" MB", u" GB", u" TB"};
constexpr int kLargestUnit = static_cast<int>(std::size(kSizeUnits)) - 1;

bool IsDigitOrMinus(char c) {
    return (c >= '0' && c <= '9') || c == '-';
}

}  // namespace

QByteArray WideToUtf8(const QString& text) {
    // Qt turns an unpaired surrogate into '?'; the report's convention is U+FFFD.
    QString sound = text;
    for (qsizetype i = 0; i < sound.size(); ++i) {
        const QChar unit = sound[i];
        if (unit.isHighSurrogate() && i + 1 < sound.size() && sound[i + 1].isLowSurrogate()) {
            ++i;
        } else if (unit.isSurrogate()) {
            sound[i] = QChar::ReplacementCharacter;
        }
    }
    return sound.toUtf8();
}

QString Utf8ToWide(const QByteArray& bytes) {
    return QString::fromUtf8(bytes.constData(), bytes.size());
}

QString FormatFixed(double value, int digits) {
    // Enough for the 309 integer digits of the largest double, a sign, a point and the decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString FormatFileSize(double bytes) {
    for (int unit = 0;; ++unit) {
        const double limit = std::pow(1024.0, unit + 1);
        if (unit == kLargestUnit || limit > bytes) {
            const double value = bytes * 1024.0 / limit;
            return FormatFixed(value, 6) + QString::fromUtf16(kSizeUnits[unit]);
        }
    }
}

std::optional<double> CompressionPercent(double storedBytes, double theoreticalBytes) {
    if (!(storedBytes / theoreticalBytes < kRatioThreshold))
        return std::nullopt;
    return storedBytes * 100.0 / theoreticalBytes;
}

void AppendRatioLine(QString& report, double storedBytes, double theoreticalBytes) {
    const std::optional<double> percent = CompressionPercent(storedBytes, theoreticalBytes);
    if (!percent)
        return;
    report += QStringLiteral("  理论未压缩大小: ");
    report += FormatFileSize(theoreticalBytes);
    report += QStringLiteral(" 压缩率 ");
    report += FormatFixed(*percent, 2);
    report += u'%';
}

void AppendExtentBlock(QString& report, const GeoTransform& gt, int width, int height) {
    const GeoExtent extent = ComputeExtent(gt, width, height);
    report += QStringLiteral("\r\n\r\n地理范围:\r\n");
    report += QStringLiteral("\t\t北: ") + FormatFixed(extent.north, 6) + QStringLiteral("\r\n");
    report += QStringLiteral("\t西: ") + FormatFixed(extent.west, 6) + QStringLiteral("  东: ") +
              FormatFixed(extent.east, 6) + QStringLiteral("\r\n");
    report += QStringLiteral("\t\t南: ") + FormatFixed(extent.south, 6) + QStringLiteral("\r\n");
    report += QStringLiteral("\r\n仿射变换参数: [");
    for (int i = 0; i < 6; ++i) {
        if (i != 0)
            report += u',';
        report += FormatFixed(gt[i], 6);
    }
    report += QStringLiteral("]\r\n");
}

QByteArray IndentWkt(const QByteArray& wkt) {
    QByteArray out;
    out.reserve(wkt.size() * 2);
    int opens = 0;
    int closes = 0;
    for (qsizetype i = 0; i < wkt.size(); ++i) {
        const char c = wkt[i];
        out += c;
        if (c == ',') {
            const char next = i + 1 < wkt.size() ? wkt[i + 1] : '\0';
            if (!IsDigitOrMinus(next)) {
                out += "\r\n";
                if (opens > closes)
                    out += QByteArray(opens - closes, '\t');
            }
        } else if (c == '[') {
            ++opens;
        } else if (c == ']') {
            ++closes;
        }
    }
    return out;
}

void AppendMetadataLines(QString& report, const QList<QByteArray>& entries, QStringView prefix) {
    for (const QByteArray& entry : entries) {
        report += prefix;
        report += Utf8ToWide(entry);
    }
}
