// A temporary folder for tests that speak Qt's strings, with GeoTIFFs made from a recipe and
// files of any bytes in it.
#pragma once

#include <QByteArray>
#include <QString>

#include "gdal_rasters.h"
#include "temp_folder.h"

class FixtureFolder {
  public:
    FixtureFolder();  // registers GDAL's drivers once

    // Folder path joined with a file name, as UTF-16 and as UTF-8.
    QString Path(const QString& name) const;
    QByteArray Utf8Path(const QString& name) const;

    // Creates a GeoTIFF from the recipe and returns its path.
    QString MakeGeoTiff(const QString& name, const RasterRecipe& recipe) const;

    // Writes bytes to a file as they are and returns its path.
    QString WriteFile(const QString& name, const QByteArray& bytes) const;

  private:
    TempFolder folder_;
};

// Size of the file in bytes as the file system gives it.
double FileBytes(const QString& path);
