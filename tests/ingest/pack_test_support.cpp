#include "pack_test_support.h"

#include <gtest/gtest.h>

#include <cpl_string.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "tarnview-pack-test-XXXXXX").string();
    EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code error;
    // A test may have taken write permission away.
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(root_, error);
}

std::vector<std::string> TempFolder::Entries() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(root_, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string MakeRaster(const std::string& path, const RasterSpec& raster, const char* driver) {
    GDALAllRegister();
    char** options = nullptr;
    for (const std::string& option : raster.creationOptions) {
        options = CSLAddString(options, option.c_str());
    }
    GDALDatasetH dataset = GDALCreate(GDALGetDriverByName(driver), path.c_str(), raster.width,
                                      raster.height, raster.bands, raster.type, options);
    CSLDestroy(options);
    EXPECT_NE(dataset, nullptr) << CPLGetLastErrorMsg();
    if (dataset == nullptr) {
        return path;
    }
    if (raster.geoTransform) {
        std::array<double, 6> coefficients = *raster.geoTransform;
        GDALSetGeoTransform(dataset, coefficients.data());
    }
    if (raster.epsg != 0) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, raster.epsg);
        GDALSetSpatialRef(dataset, srs);
        OSRDestroySpatialReference(srs);
    }
    std::vector<double> row(static_cast<std::size_t>(raster.width));
    for (int band = 1; band <= raster.bands; ++band) {
        GDALRasterBandH handle = GDALGetRasterBand(dataset, band);
        if (raster.noData) {
            GDALSetRasterNoDataValue(handle, *raster.noData);
        }
        for (int y = 0; y < raster.height; ++y) {
            for (int x = 0; x < raster.width; ++x) {
                row[static_cast<std::size_t>(x)] = raster.value(band, x, y);
            }
            EXPECT_EQ(GDALRasterIO(handle, GF_Write, 0, y, raster.width, 1, row.data(), raster.width, 1,
                                   GDT_Float64, 0, 0),
                      CE_None);
        }
    }
    if (raster.datasetMask) {
        EXPECT_EQ(GDALCreateDatasetMaskBand(dataset, GMF_PER_DATASET), CE_None);
        GDALRasterBandH mask = GDALGetMaskBand(GDALGetRasterBand(dataset, 1));
        std::vector<std::uint8_t> maskRow(static_cast<std::size_t>(raster.width));
        for (int y = 0; y < raster.height; ++y) {
            for (int x = 0; x < raster.width; ++x) {
                maskRow[static_cast<std::size_t>(x)] = raster.datasetMask(x, y) ? 255 : 0;
            }
            EXPECT_EQ(GDALRasterIO(mask, GF_Write, 0, y, raster.width, 1, maskRow.data(), raster.width,
                                   1, GDT_Byte, 0, 0),
                      CE_None);
        }
    }
    GDALClose(dataset);
    return path;
}

std::string MakeEmptyVrt(const std::string& path, int width, int height, int bands) {
    GDALAllRegister();
    GDALDatasetH dataset = GDALCreate(GDALGetDriverByName("VRT"), path.c_str(), width, height,
                                      bands, GDT_Byte, nullptr);
    EXPECT_NE(dataset, nullptr) << CPLGetLastErrorMsg();
    if (dataset != nullptr) {
        GDALClose(dataset);
    }
    return path;
}

double Texture(int band, int x, int y) {
    const double smooth = 90 + 60 * std::sin(x * 0.021 + band) * std::cos(y * 0.017 - band);
    const unsigned hash = (static_cast<unsigned>(x) * 73856093u) ^
                          (static_cast<unsigned>(y) * 19349663u) ^
                          (static_cast<unsigned>(band) * 83492791u);
    return std::floor(std::clamp(smooth + static_cast<double>(hash % 61) - 30, 0.0, 255.0));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>());
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
