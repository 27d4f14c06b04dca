#include "fixture_folder.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <gdal.h>

FixtureFolder::FixtureFolder() {
    static const bool registered = [] {
        GDALAllRegister();
        return true;
    }();
    (void)registered;
}

QString FixtureFolder::Path(const QString& name) const {
    return QString::fromStdString(folder_.Path(name.toStdString()));
}

QByteArray FixtureFolder::Utf8Path(const QString& name) const {
    return Path(name).toUtf8();
}

QString FixtureFolder::MakeGeoTiff(const QString& name, const RasterRecipe& recipe) const {
    return QString::fromStdString(MakeRaster(Utf8Path(name).toStdString(), recipe));
}

QString FixtureFolder::WriteFile(const QString& name, const QByteArray& bytes) const {
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return Path(name);
}

double FileBytes(const QString& path) {
    return static_cast<double>(QFileInfo(path).size());
}
