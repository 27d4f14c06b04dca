#include "json_report.h"

#include <QJsonArray>

#include "text_helpers.h"

namespace {

// KEY=VALUE entries as an object; an entry without "=" keeps its whole text as key, null value.
QJsonObject MetadataObject(const QList<QByteArray>& entries) {
    QJsonObject object;
    for (const QByteArray& entry : entries) {
        const qsizetype equals = entry.indexOf('=');
        if (equals < 0) {
            object.insert(Utf8ToWide(entry), QJsonValue::Null);
        } else {
            object.insert(Utf8ToWide(entry.left(equals)), Utf8ToWide(entry.mid(equals + 1)));
        }
    }
    return object;
}

QJsonArray SizePair(double width, double height) {
    return QJsonArray{width, height};
}

// The percentage the text report prints, or null where it prints none.
QJsonValue CompressionPercentValue(double stored, double theoretical) {
    const std::optional<double> percent = CompressionPercent(stored, theoretical);
    return percent ? QJsonValue(*percent) : QJsonValue(QJsonValue::Null);
}

// What both kinds of file report alike: the kind, the size and the bytes against the theory.
void InsertSizes(QJsonObject& json, const QString& kind, int width, int height, double stored,
                 double theoretical) {
    json.insert(QStringLiteral("kind"), kind);
    json.insert(QStringLiteral("width"), width);
    json.insert(QStringLiteral("height"), height);
    json.insert(QStringLiteral("storedBytes"), stored);
    json.insert(QStringLiteral("theoreticalBytes"), theoretical);
    json.insert(QStringLiteral("compressionPercent"), CompressionPercentValue(stored, theoretical));
}

void InsertGeoreferencing(QJsonObject& json, const std::optional<GeoTransform>& gt, int width,
                          int height) {
    if (!gt) {
        json.insert(QStringLiteral("extent"), QJsonValue::Null);
        json.insert(QStringLiteral("geoTransform"), QJsonValue::Null);
        return;
    }
    const GeoExtent extent = ComputeExtent(*gt, width, height);
    json.insert(QStringLiteral("extent"), QJsonObject{{QStringLiteral("north"), extent.north},
                                                      {QStringLiteral("south"), extent.south},
                                                      {QStringLiteral("west"), extent.west},
                                                      {QStringLiteral("east"), extent.east}});
    QJsonArray coefficients;
    for (double coefficient : *gt)
        coefficients.append(coefficient);
    json.insert(QStringLiteral("geoTransform"), coefficients);
}

QJsonObject BandObject(const RasterBand& band) {
    QJsonArray overviews;
    for (const auto& overview : band.overviews) {
        overviews.append(overview ? QJsonValue(SizePair(overview->width, overview->height))
                                  : QJsonValue(QJsonValue::Null));
    }
    return {
        {QStringLiteral("index"), band.number},
        {QStringLiteral("dataType"),
         band.dataType ? QJsonValue(Utf8ToWide(*band.dataType)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("blockSize"), SizePair(band.blockWidth, band.blockHeight)},
        {QStringLiteral("overviews"), overviews},
        {QStringLiteral("metadata"), MetadataObject(band.metadata)},
    };
}

void InsertRaster(QJsonObject& json, const RasterFacts& facts) {
    InsertSizes(json, QStringLiteral("raster"), facts.width, facts.height, facts.storedBytes,
                facts.theoreticalBytes);
    json.insert(QStringLiteral("driver"), Utf8ToWide(facts.driver));

    QJsonArray files;
    for (const RasterFile& file : facts.files) {
        files.append(QJsonObject{{QStringLiteral("name"), Utf8ToWide(file.name)},
                                 {QStringLiteral("bytes"), file.bytes}});
    }
    json.insert(QStringLiteral("files"), files);

    QJsonArray bands;
    for (const RasterBand& band : facts.bands)
        bands.append(BandObject(band));
    json.insert(QStringLiteral("bands"), bands);

    // GDAL gives an empty WKT for a raster without a coordinate system.
    if (facts.crs && !facts.crs->wkt.isEmpty()) {
        const CoordinateSystem& crs = *facts.crs;
        json.insert(
            QStringLiteral("crs"),
            QJsonObject{{QStringLiteral("wkt"), Utf8ToWide(crs.wkt)},
                        {QStringLiteral("proj4"), crs.proj4 ? QJsonValue(Utf8ToWide(*crs.proj4))
                                                            : QJsonValue(QJsonValue::Null)},
                        {QStringLiteral("epsg"),
                         crs.epsg != -1 ? QJsonValue(crs.epsg) : QJsonValue(QJsonValue::Null)}});
    } else {
        json.insert(QStringLiteral("crs"), QJsonValue::Null);
    }
    json.insert(QStringLiteral("metadata"), MetadataObject(facts.metadata));
    json.insert(QStringLiteral("makerMetadata"),
                facts.makerMetadata ? QJsonValue(MetadataObject(*facts.makerMetadata))
                                    : QJsonValue(QJsonValue::Null));
    InsertGeoreferencing(json, facts.geoTransform, facts.width, facts.height);
}

void InsertPackage(QJsonObject& json, const PackageFacts& facts) {
    InsertSizes(json, QStringLiteral("package"), facts.width, facts.height, facts.storedBytes,
                facts.theoreticalBytes);
    json.insert(QStringLiteral("topLevel"), static_cast<qint64>(facts.topLevel));
    json.insert(QStringLiteral("headerLength"), static_cast<qint64>(facts.headerLength));
    json.insert(QStringLiteral("tileCount"), static_cast<qint64>(facts.tileCount));
    json.insert(QStringLiteral("tilesPresent"), static_cast<qint64>(facts.tilesPresent));
    QJsonArray levels;
    for (std::size_t level = 0; level < facts.levels.size(); ++level) {
        const PackageLevel& info = facts.levels[level];
        levels.append(QJsonObject{{QStringLiteral("level"), static_cast<int>(level)},
                                  {QStringLiteral("width"), static_cast<qint64>(info.width)},
                                  {QStringLiteral("height"), static_cast<qint64>(info.height)},
                                  {QStringLiteral("rows"), info.rows},
                                  {QStringLiteral("columns"), info.columns}});
    }
    json.insert(QStringLiteral("levels"), levels);
    InsertGeoreferencing(json, facts.geoTransform, facts.width, facts.height);
}

}  // namespace

QJsonObject RenderJsonReport(const FileFacts& facts) {
    QJsonObject json{{QStringLiteral("path"), facts.path}};
    if (facts.raster) {
        InsertRaster(json, *facts.raster);
    } else if (facts.package) {
        InsertPackage(json, *facts.package);
    } else {
        json.insert(QStringLiteral("error"), facts.error);
    }
    return json;
}
