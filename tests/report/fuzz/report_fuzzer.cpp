// libFuzzer target: arbitrary bytes as a file, through the whole report: facts, the text and JSON.
// The input is a package in the package fuzzer's form, or a TIFF or PNG raster as it is
// (report_input.h). Besides the sanitizers' checks it stops on a package report that is neither a
// report nor the open-failure text, a preview allowed for anything but a package that opened, or
// JSON that does not parse back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz_folder.h"
#include "json_report.h"
#include "report.h"
#include "report_input.h"

namespace {

constexpr std::string_view kOpenFailurePrefix = "打开压缩包失败:";

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void CheckPackageReport(const Report& report) {
    if (report.failed) {
        Check(!report.previewAllowed);
        Check(report.text.starts_with(kOpenFailurePrefix));
        Check(report.text.size() > kOpenFailurePrefix.size());
    } else {
        Check(report.previewAllowed);
        Check(report.text.starts_with("压缩包尺寸:\r\n"));
        Check(report.text.ends_with("]\r\n"));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitGdalForReportInputs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReportFile file = ReportFileFromFuzzInput(data, size);
    const std::string path = WriteFuzzFile(file.name, file.bytes.data(), file.bytes.size());
    if (path.empty())
        return 0;

    const FileFacts facts = GatherFileFacts(path);
    const Report report = RenderReport(facts);
    Check(report.failed == facts.Failed());
    Check(!report.text.empty());
    if (IsPackagePath(facts.path))
        CheckPackageReport(report);
    else
        Check(!report.previewAllowed);
    const std::string json = JsonText(RenderJsonReport(facts), false);
    Check(nlohmann::json::parse(json, nullptr, false).is_object());
    return 0;
}
