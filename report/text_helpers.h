// Text operations shared by the report builders: making bytes valid UTF-8, byte counts with a
// unit, the compression-ratio fragment, the extent block, WKT layout and metadata listing.
// Text is std::string holding UTF-8 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geo_transform.h"

// What a file or GDAL says may be any bytes; the report shows them as UTF-8. Every byte that does
// not begin a whole, well-formed sequence (shortest form, no surrogate, at most U+10FFFF) becomes
// U+FFFD, one for each such byte; everything else, embedded zeros included, is kept.
std::string ValidUtf8(std::string_view bytes);

// The length of the well-formed UTF-8 sequence that starts at `at` (below bytes.size()), or 0
// when there is none.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at);

// A double in fixed notation with `digits` decimals and a point as separator, whatever the
// locale: what printf's "%.*f" gives in the C locale.
std::string FormatFixed(double value, int digits);

// "1.500000 KB": the count divided by the largest power of 1024 below it, units up to TB.
std::string FormatFileSize(double bytes);

// stored x 100 / theoretical when stored / theoretical is below 0.95, the only ratios a report
// prints; nothing otherwise (a NaN or infinite quotient included).
std::optional<double> CompressionPercent(double storedBytes, double theoreticalBytes);

// Appends "  理论未压缩大小: ... 压缩率 ...%" when CompressionPercent gives a value.
void AppendRatioLine(std::string& report, double storedBytes, double theoreticalBytes);

// Appends the compass of the image's extent and the six geotransform parameters.
void AppendExtentBlock(std::string& report, const GeoTransform& gt, int width, int height);

// Lays a WKT text out one element per line, indented with tabs by bracket depth.
std::string IndentWkt(std::string_view wkt);

// Appends prefix + entry for each metadata entry, as valid UTF-8.
void AppendMetadataLines(std::string& report, const std::vector<std::string>& entries,
                         std::string_view prefix);
