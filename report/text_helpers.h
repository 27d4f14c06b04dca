// Text operations shared by the report builders: UTF-16/UTF-8 conversion, byte counts with a
// unit, the compression-ratio fragment, the extent block, WKT layout and metadata listing.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

#include "geo_transform.h"

// UTF-16 text to UTF-8 bytes. Unpaired surrogates become U+FFFD, never an error.
QByteArray WideToUtf8(const QString& text);

// UTF-8 bytes (their explicit length, embedded zeros included) to UTF-16 text.
// Invalid sequences become U+FFFD.
QString Utf8ToWide(const QByteArray& bytes);

// A double in fixed notation with `digits` decimals and a point as separator, whatever the
// locale: what printf's "%.*f" gives in the C locale.
QString FormatFixed(double value, int digits);

// "1.500000 KB": the count divided by the largest power of 1024 below it, units up to TB.
QString FormatFileSize(double bytes);

// stored x 100 / theoretical when stored / theoretical is below 0.95, the only ratios a report
// prints; nothing otherwise (a NaN or infinite quotient included).
std::optional<double> CompressionPercent(double storedBytes, double theoreticalBytes);

// Appends "  理论未压缩大小: ... 压缩率 ...%" when CompressionPercent gives a value.
void AppendRatioLine(QString& report, double storedBytes, double theoreticalBytes);

// Appends the compass of the image's extent and the six geotransform parameters.
void AppendExtentBlock(QString& report, const GeoTransform& gt, int width, int height);

// Lays a WKT text out one element per line, indented with tabs by bracket depth.
QByteArray IndentWkt(const QByteArray& wkt);

// Appends prefix + entry for each metadata entry, as text.
void AppendMetadataLines(QString& report, const QList<QByteArray>& entries, QStringView prefix);
