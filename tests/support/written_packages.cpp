#include "written_packages.h"

PackageWriteResult WriteEmptyPackage(const std::string& path, std::uint32_t width,
                                     std::uint32_t height) {
    const RowStripSource transparent = [](std::uint32_t, std::uint32_t, std::uint8_t*, std::size_t,
                                          std::string&) { return StripContent::kTransparent; };
    return WritePackage(path, width, height, kTestGeoTransform, transparent);
}

PackageWriteResult WriteImagePackage(const std::string& path, const TestImage& image,
                                     const PackageWriteOptions& options) {
    return WritePackageFromRgba(path, image.bytes.data(), image.width, image.height, image.Stride(),
                                kTestGeoTransform, options);
}
