#include "package_report.h"

#include "text_helpers.h"

QString RenderPackageReport(const PackageFacts& facts) {
    QString report = QStringLiteral("压缩包尺寸:\r\n");
    report += QStringLiteral("\t宽: ") + QString::number(facts.width) +
              QStringLiteral(" 像素 高: ") + QString::number(facts.height) +
              QStringLiteral(" 像素\r\n\t压缩包文件大小: ") + FormatFileSize(facts.storedBytes);
    AppendRatioLine(report, facts.storedBytes, facts.theoreticalBytes);
    AppendExtentBlock(report, facts.geoTransform, facts.width, facts.height);
    return report;
}

QString RenderPackageOpenFailure(const QByteArray& readerMessage) {
    return QStringLiteral("打开压缩包失败:") + Utf8ToWide(readerMessage);
}
