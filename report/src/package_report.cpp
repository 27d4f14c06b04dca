#include "package_report.h"

#include "text_helpers.h"

std::string RenderPackageReport(const PackageFacts& facts) {
    std::string report = "压缩包尺寸:\r\n";
    report += "\t宽: " + std::to_string(facts.width) + " 像素 高: " + std::to_string(facts.height) +
              " 像素\r\n\t压缩包文件大小: " + FormatFileSize(facts.storedBytes);
    AppendRatioLine(report, facts.storedBytes, facts.theoreticalBytes);
    AppendExtentBlock(report, facts.geoTransform, facts.width, facts.height);
    return report;
}

std::string RenderPackageOpenFailure(std::string_view readerMessage) {
    return "打开压缩包失败:" + ValidUtf8(readerMessage);
}
