#include "gdal_fixtures.h"

#include <QFile>
#include <QFileInfo>

#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <gtest/gtest.h>

namespace {

struct GdalRegistration {
    GdalRegistration() { GDALAllRegister(); }
};

char** ToCslList(const std::vector<std::string>& items) {
    char** list = nullptr;
    for (const std::string& item : items)
        list = CSLAddString(list, item.c_str());
    return list;
}

void SetMetadata(GDALMajorObjectH object, const std::vector<std::string>& entries,
                 const char* domain) {
    if (entries.empty())
        return;
    char** list = ToCslList(entries);
    GDALSetMetadata(object, list, domain);
    CSLDestroy(list);
}

}  // namespace

GdalFixtures::GdalFixtures() {
    static GdalRegistration registration;
    EXPECT_TRUE(dir_.isValid());
}

QString GdalFixtures::Path(const QString& name) const {
    return dir_.filePath(name);
}

QByteArray GdalFixtures::Utf8Path(const QString& name) const {
    return Path(name).toUtf8();
}

QString GdalFixtures::MakeGeoTiff(const QString& name, const RasterRecipe& recipe) const {
    const QByteArray path = Utf8Path(name);
    char** options = ToCslList(recipe.creationOptions);
    GDALDatasetH dataset = GDALCreate(GDALGetDriverByName("GTiff"), path.constData(), recipe.width,
                                      recipe.height, recipe.bands, recipe.type, options);
    CSLDestroy(options);
    EXPECT_NE(dataset, nullptr) << CPLGetLastErrorMsg();
    if (dataset == nullptr)
        return {};

    if (recipe.geoTransform) {
        std::array<double, 6> gt = *recipe.geoTransform;
        GDALSetGeoTransform(dataset, gt.data());
    }
    if (recipe.epsg != 0) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, recipe.epsg);
        GDALSetSpatialRef(dataset, srs);
        OSRDestroySpatialReference(srs);
    }
    SetMetadata(dataset, recipe.metadata, nullptr);
    SetMetadata(dataset, recipe.makerMetadata, "QV");
    SetMetadata(GDALGetRasterBand(dataset, 1), recipe.bandMetadata, nullptr);

    if (recipe.fillGradient) {
        std::vector<unsigned char> row(recipe.width);
        for (int band = 1; band <= recipe.bands; ++band) {
            for (int y = 0; y < recipe.height; ++y) {
                for (int x = 0; x < recipe.width; ++x)
                    row[x] = (x * 7 + y * 3 + band * 50) & 0xFF;
                EXPECT_EQ(
                    GDALRasterIO(GDALGetRasterBand(dataset, band), GF_Write, 0, y, recipe.width, 1,
                                 row.data(), recipe.width, 1, GDT_Byte, 0, 0),
                    CE_None);
            }
        }
    }
    if (!recipe.overviewFactors.empty()) {
        std::vector<int> factors = recipe.overviewFactors;
        EXPECT_EQ(GDALBuildOverviews(dataset, "NEAREST", static_cast<int>(factors.size()),
                                     factors.data(), 0, nullptr, nullptr, nullptr),
                  CE_None);
    }
    GDALClose(dataset);
    return Path(name);
}

QString GdalFixtures::WriteFile(const QString& name, const QByteArray& bytes) const {
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return Path(name);
}

double FileBytes(const QString& path) {
    return static_cast<double>(QFileInfo(path).size());
}
