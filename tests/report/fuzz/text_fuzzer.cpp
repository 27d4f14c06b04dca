// libFuzzer target: the report's text helpers on arbitrary bytes. Besides the sanitizers' checks
// it stops when ValidUtf8 gives anything but well-formed UTF-8, changes input that already is, or
// changes its own output; when IndentWkt loses or changes a byte of its input; when the metadata
// lines or extent block are not valid UTF-8; or when a number comes out in another notation than
// fixed.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "text_helpers.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// Well-formed UTF-8, decided by decoding each code point and checking its value, a way apart
// from ValidUtf8's ranges of second bytes.
bool IsWellFormedUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 0;
        char32_t point = 0;
        if (lead < 0x80) {
            length = 1;
            point = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            point = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            point = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            point = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - at < length)
            return false;
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (next & 0x3F);
        }
        constexpr char32_t kShortestFrom[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < kShortestFrom[length] || point > 0x10FFFF ||
            (point >= 0xD800 && point <= 0xDFFF))
            return false;
        at += length;
    }
    return true;
}

// The input must come out whole and in order, with only line breaks and tabs put between.
void CheckIndentKeepsEveryByte(std::string_view wkt) {
    const std::string laidOut = IndentWkt(wkt);
    std::size_t in = 0;
    for (const char c : laidOut) {
        if (in < wkt.size() && c == wkt[in]) {
            ++in;
        } else {
            Check(c == '\r' || c == '\n' || c == '\t');
        }
    }
    Check(in == wkt.size());
}

std::vector<std::string> SplitAtZeros(std::string_view bytes) {
    std::vector<std::string> parts(1);
    for (const char c : bytes) {
        if (c == '\0')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::size_t Occurrences(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size()))
        ++count;
    return count;
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
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckIndentKeepsEveryByte(bytes);

    const std::string valid = ValidUtf8(bytes);
    Check(IsWellFormedUtf8(valid));
    Check(ValidUtf8(valid) == valid);
    if (IsWellFormedUtf8(bytes))
        Check(valid == bytes);

    std::string report;
    const std::vector<std::string> entries = SplitAtZeros(bytes);
    AppendMetadataLines(report, entries, "\r\n\t");
    Check(Occurrences(report, "\r\n\t") >= entries.size());

    GeoTransform gt;
    for (std::size_t i = 0; i < gt.size(); ++i)
        gt[i] = DoubleAt(data, size, i);
    const int width = size > 0 ? static_cast<int>(data[0]) - 1 : 0;
    const int height = size > 1 ? static_cast<int>(data[1]) * 1000 : 0;
    AppendExtentBlock(report, gt, width, height);
    AppendRatioLine(report, DoubleAt(data, size, 6), DoubleAt(data, size, 7));
    Check(IsWellFormedUtf8(report));
    FormatFileSize(DoubleAt(data, size, 8));
    const double value = DoubleAt(data, size, 9);
    const std::string fixed = FormatFixed(value, 6);
    if (std::isfinite(value)) {
        Check(fixed.size() >= 8 && fixed[fixed.size() - 7] == '.');
        double parsed = 0;
        const auto [end, error] =
            std::from_chars(fixed.data(), fixed.data() + fixed.size(), parsed);
        Check(error == std::errc() && end == fixed.data() + fixed.size());
        Check(parsed == 0 || std::abs(parsed - value) <= 5e-7 * (1 + std::abs(value)));
    }
    return 0;
}
