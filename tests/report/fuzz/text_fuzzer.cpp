// libFuzzer target: the report's text helpers on arbitrary bytes. Besides the sanitizers' checks
// it stops when IndentWkt loses or changes a byte of its input, when a conversion round trip is
// not stable, or when a number comes out in another notation than fixed.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "text_helpers.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The input must come out whole and in order, with only line breaks and tabs put between.
void CheckIndentKeepsEveryByte(const QByteArray& wkt) {
    const QByteArray laidOut = IndentWkt(wkt);
    qsizetype in = 0;
    for (qsizetype out = 0; out < laidOut.size(); ++out) {
        if (in < wkt.size() && laidOut[out] == wkt[in]) {
            ++in;
        } else {
            Check(laidOut[out] == '\r' || laidOut[out] == '\n' || laidOut[out] == '\t');
        }
    }
    Check(in == wkt.size());
}

double DoubleAt(const std::uint8_t* data, std::size_t size, std::size_t index) {
    std::uint8_t bytes[8] = {};
    for (std::size_t i = 0; i < 8; ++i)
        bytes[i] = size > 0 ? data[(index * 8 + i) % size] : 0;
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CheckIndentKeepsEveryByte(bytes);

    const QString wide = Utf8ToWide(bytes);
    const QByteArray utf8 = WideToUtf8(wide);
    Check(Utf8ToWide(utf8) == wide);
    Check(WideToUtf8(Utf8ToWide(utf8)) == utf8);

    QString report;
    AppendMetadataLines(report, bytes.split('\0'), u"\r\n\t");
    Check(report.count(QStringLiteral("\r\n\t")) >= bytes.count('\0') + 1);

    GeoTransform gt;
    for (std::size_t i = 0; i < gt.size(); ++i)
        gt[i] = DoubleAt(data, size, i);
    const int width = size > 0 ? static_cast<int>(data[0]) - 1 : 0;
    const int height = size > 1 ? static_cast<int>(data[1]) * 1000 : 0;
    AppendExtentBlock(report, gt, width, height);
    AppendRatioLine(report, DoubleAt(data, size, 6), DoubleAt(data, size, 7));
    FormatFileSize(DoubleAt(data, size, 8));
    const double value = DoubleAt(data, size, 9);
    const QString fixed = FormatFixed(value, 6);
    if (std::isfinite(value)) {
        Check(fixed.at(fixed.size() - 7) == u'.');
        Check(fixed.toDouble() == 0 ||
              std::abs(fixed.toDouble() - value) <= 5e-7 * (1 + std::abs(value)));
    }
    return 0;
}
