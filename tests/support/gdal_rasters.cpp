#include "gdal_rasters.h"

#include <gtest/gtest.h>

#include <cpl_string.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

char** ToCslList(const std::vector<std::string>& items) {
    char** list = nullptr;
    for (const std::string& item : items) {
        list = CSLAddString(list, item.c_str());
    }
    return list;
}

void SetMetadata(GDALMajorObjectH object, const std::vector<std::string>& entries,
                 const char* domain) {
    if (entries.empty()) {
        return;
    }
    char** list = ToCslList(entries);
    GDALSetMetadata(object, list, domain);
    CSLDestroy(list);
}

void WritePixels(GDALDatasetH dataset, const RasterRecipe& recipe) {
    std::vector<double> row(static_cast<std::size_t>(recipe.width));
    for (int band = 1; band <= recipe.bands; ++band) {
        for (int y = 0; y < recipe.height; ++y) {
            for (int x = 0; x < recipe.width; ++x) {
                row[static_cast<std::size_t>(x)] = recipe.value(band, x, y);
            }
            EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(dataset, band), GF_Write, 0, y, recipe.width,
                                   1, row.data(), recipe.width, 1, GDT_Float64, 0, 0),
                      CE_None);
        }
    }
}

void WriteDatasetMask(GDALDatasetH dataset, const RasterRecipe& recipe) {
    EXPECT_EQ(GDALCreateDatasetMaskBand(dataset, GMF_PER_DATASET), CE_None);
    GDALRasterBandH mask = GDALGetMaskBand(GDALGetRasterBand(dataset, 1));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(recipe.width));
    for (int y = 0; y < recipe.height; ++y) {
        for (int x = 0; x < recipe.width; ++x) {
            row[static_cast<std::size_t>(x)] = recipe.datasetMask(x, y) ? 255 : 0;
        }
        EXPECT_EQ(GDALRasterIO(mask, GF_Write, 0, y, recipe.width, 1, row.data(), recipe.width, 1,
                               GDT_Byte, 0, 0),
                  CE_None);
    }
}

void SetColours(GDALDatasetH dataset, const RasterRecipe& recipe) {
    for (std::size_t i = 0; i < recipe.colourInterpretations.size(); ++i) {
        GDALSetRasterColorInterpretation(GDALGetRasterBand(dataset, static_cast<int>(i) + 1),
                                         recipe.colourInterpretations[i]);
    }
    if (recipe.colourTable.empty()) {
        return;
    }
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    for (std::size_t i = 0; i < recipe.colourTable.size(); ++i) {
        const std::array<short, 4>& colour = recipe.colourTable[i];
        const GDALColorEntry entry{colour[0], colour[1], colour[2], colour[3]};
        GDALSetColorEntry(table, static_cast<int>(i), &entry);
    }
    EXPECT_EQ(GDALSetRasterColorTable(GDALGetRasterBand(dataset, 1), table), CE_None);
    GDALDestroyColorTable(table);
}

void SetGroundControlPoints(GDALDatasetH dataset, const RasterRecipe& recipe) {
    std::vector<GDAL_GCP> points(recipe.groundControlPoints.size());
    GDALInitGCPs(static_cast<int>(points.size()), points.data());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::array<double, 4>& point = recipe.groundControlPoints[i];
        points[i].dfGCPPixel = point[0];
        points[i].dfGCPLine = point[1];
        points[i].dfGCPX = point[2];
        points[i].dfGCPY = point[3];
    }
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, recipe.epsg);
    EXPECT_EQ(GDALSetGCPs2(dataset, static_cast<int>(points.size()), points.data(), srs), CE_None);
    OSRDestroySpatialReference(srs);
    GDALDeinitGCPs(static_cast<int>(points.size()), points.data());
}

}  // namespace

std::string MakeRaster(const std::string& path, const RasterRecipe& recipe, const char* driver) {
    GDALAllRegister();
    char** options = ToCslList(recipe.creationOptions);
    GDALDatasetH dataset = GDALCreate(GDALGetDriverByName(driver), path.c_str(), recipe.width,
                                      recipe.height, recipe.bands, recipe.type, options);
    CSLDestroy(options);
    EXPECT_NE(dataset, nullptr) << CPLGetLastErrorMsg();
    if (dataset == nullptr) {
        return path;
    }
    if (recipe.geoTransform) {
        std::array<double, 6> coefficients = *recipe.geoTransform;
        GDALSetGeoTransform(dataset, coefficients.data());
    }
    if (!recipe.groundControlPoints.empty()) {
        SetGroundControlPoints(dataset, recipe);
    } else if (recipe.epsg != 0) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, recipe.epsg);
        GDALSetSpatialRef(dataset, srs);
        OSRDestroySpatialReference(srs);
    }
    SetColours(dataset, recipe);
    SetMetadata(dataset, recipe.metadata, nullptr);
    SetMetadata(dataset, recipe.makerMetadata, "QV");
    SetMetadata(GDALGetRasterBand(dataset, 1), recipe.bandMetadata, nullptr);
    if (recipe.noData) {
        for (int band = 1; band <= recipe.bands; ++band) {
            GDALSetRasterNoDataValue(GDALGetRasterBand(dataset, band), *recipe.noData);
        }
    }
    if (recipe.value) {
        WritePixels(dataset, recipe);
    }
    if (recipe.datasetMask) {
        WriteDatasetMask(dataset, recipe);
    }
    if (!recipe.overviewFactors.empty()) {
        std::vector<int> factors = recipe.overviewFactors;
        EXPECT_EQ(GDALBuildOverviews(dataset, "NEAREST", static_cast<int>(factors.size()),
                                     factors.data(), 0, nullptr, nullptr, nullptr),
                  CE_None);
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

double Gradient(int band, int x, int y) {
    return (x * 7 + y * 3 + band * 50) & 0xFF;
}

double Texture(int band, int x, int y) {
    const double smooth = 90 + 60 * std::sin(x * 0.021 + band) * std::cos(y * 0.017 - band);
    const unsigned hash = (static_cast<unsigned>(x) * 73856093u) ^
                          (static_cast<unsigned>(y) * 19349663u) ^
                          (static_cast<unsigned>(band) * 83492791u);
    return std::floor(std::clamp(smooth + static_cast<double>(hash % 61) - 30, 0.0, 255.0));
}
