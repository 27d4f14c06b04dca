#include "raster_report.h"

#include "text_helpers.h"

namespace {

void AppendBand(std::string& report, const RasterBand& band) {
    report += "\r\n\t波段 " + std::to_string(band.number) + "\t块大小 " +
              std::to_string(band.blockWidth) + 'X' + std::to_string(band.blockHeight) +
              "\t数据类型 ";
    if (band.dataType)
        report += ValidUtf8(*band.dataType);
    if (!band.overviews.empty()) {
        report += "\r\n\t\t金字塔[ ";
        for (std::size_t j = 0; j < band.overviews.size(); ++j) {
            const auto& overview = band.overviews[j];
            if (!overview)
                continue;
            // The separator follows the index, not the count written so far.
            if (j != 0)
                report += ", ";
            report += std::to_string(overview->width) + 'X' + std::to_string(overview->height);
        }
        report += " ]";
    }
    AppendMetadataLines(report, band.metadata, "\r\n\t\t");
}

void AppendCoordinateSystem(std::string& report, const CoordinateSystem& crs) {
    report += "\r\n影像地理坐标系:\r\n";
    report += ValidUtf8(IndentWkt(crs.wkt));
    if (crs.proj4)
        report += "\r\nProj4定义: " + ValidUtf8(*crs.proj4);
    if (crs.geographicEpsg != -1)
        report += "\r\nEPSG代码:" + std::to_string(crs.geographicEpsg);
}

}  // namespace

std::string RenderRasterReport(const RasterFacts& facts) {
    std::string report = "影像尺寸:\r\n";
    report += "\t宽: " + std::to_string(facts.width) + " 像素 高: " + std::to_string(facts.height) +
              " 像素\r\n\t影像文件大小: " + FormatFileSize(facts.storedBytes);
    AppendRatioLine(report, facts.storedBytes, facts.theoreticalBytes);
    report += "\r\n\r\n波段数: " + std::to_string(facts.bandCount);
    for (const RasterBand& band : facts.bands)
        AppendBand(report, band);
    report += "\r\n";
    if (facts.crs)
        AppendCoordinateSystem(report, *facts.crs);
    if (facts.geoTransform) {
        AppendExtentBlock(report, *facts.geoTransform, facts.width, facts.height);
    }
    report += "\r\n影像元数据:";
    AppendMetadataLines(report, facts.metadata, "\r\n\t");
    if (facts.makerMetadata) {
        report += "\r\nKelmora影像数据:";
        AppendMetadataLines(report, *facts.makerMetadata, "\r\n\t");
    }
    return report;
}
