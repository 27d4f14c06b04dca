// Packages made with the writer for tests.
#pragma once

#include <cstdint>
#include <string>

#include "package_writer.h"
#include "test_images.h"

inline constexpr GeoTransformCoefficients kTestGeoTransform = {500000.0,  2.5, 0.0,
                                                               4000000.0, 0.0, -2.5};

// Every tile absent: only the header and its index. Quick at any size.
PackageWriteResult WriteEmptyPackage(const std::string& path, std::uint32_t width,
                                     std::uint32_t height);

PackageWriteResult WriteImagePackage(const std::string& path, const TestImage& image,
                                     const PackageWriteOptions& options = {});
