#include "raster_report.h"

#include "text_helpers.h"

namespace {

void AppendBand(QString& report, const RasterBand& band) {
    report += QStringLiteral("\r\n\t波段 ") + QString::number(band.number) +
              QStringLiteral("\t块大小 ") + QString::number(band.blockWidth) + u'X' +
              QString::number(band.blockHeight) + QStringLiteral("\t数据类型 ");
    if (band.dataType)
        report += Utf8ToWide(*band.dataType);
    if (!band.overviews.empty()) {
        report += QStringLiteral("\r\n\t\t金字塔[ ");
        for (std::size_t j = 0; j < band.overviews.size(); ++j) {
            const auto& overview = band.overviews[j];
            if (!overview)
                continue;
            // The separator follows the index, not the count written so far.
            if (j != 0)
                report += QStringLiteral(", ");
            report += QString::number(overview->width) + u'X' + QString::number(overview->height);
        }
        report += QStringLiteral(" ]");
    }
    AppendMetadataLines(report, band.metadata, u"\r\n\t\t");
}

void AppendCoordinateSystem(QString& report, const CoordinateSystem& crs) {
    report += QStringLiteral("\r\n影像地理坐标系:\r\n");
    report += Utf8ToWide(IndentWkt(crs.wkt));
    if (crs.proj4)
        report += QStringLiteral("\r\nProj4定义: ") + Utf8ToWide(*crs.proj4);
    if (crs.epsg != -1)
        report += QStringLiteral("\r\nEPSG代码:") + QString::number(crs.epsg);
}

}  // namespace

QString RenderRasterReport(const RasterFacts& facts) {
    QString report = QStringLiteral("影像尺寸:\r\n");
    report += QStringLiteral("\t宽: ") + QString::number(facts.width) +
              QStringLiteral(" 像素 高: ") + QString::number(facts.height) +
              QStringLiteral(" 像素\r\n\t影像文件大小: ") + FormatFileSize(facts.storedBytes);
    AppendRatioLine(report, facts.storedBytes, facts.theoreticalBytes);
    report += QStringLiteral("\r\n\r\n波段数: ") + QString::number(facts.bandCount);
    for (const RasterBand& band : facts.bands)
        AppendBand(report, band);
    report += QStringLiteral("\r\n");
    if (facts.crs)
        AppendCoordinateSystem(report, *facts.crs);
    if (facts.geoTransform) {
        AppendExtentBlock(report, *facts.geoTransform, facts.width, facts.height);
    }
    report += QStringLiteral("\r\n影像元数据:");
    AppendMetadataLines(report, facts.metadata, u"\r\n\t");
    if (facts.makerMetadata) {
        report += QStringLiteral("\r\nKelmora影像数据:");
        AppendMetadataLines(report, *facts.makerMetadata, u"\r\n\t");
    }
    return report;
}
