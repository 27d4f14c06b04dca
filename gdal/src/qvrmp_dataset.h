// A package as a GDAL dataset: level 0 is the dataset, levels 1 to topLevel its overviews. Each
// level is its own dataset of four Byte bands (R, G, B, A) in blocks of one sub-tile; the level-0
// dataset owns the package reader that all of them read through.
#pragma once

#include <gdal_pam.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "package_format.h"
#include "package_layout.h"
#include "package_reader.h"

inline constexpr int kQvrmpBandCount = kBytesPerPixel;  // one band per byte of an RGBA pixel

class QvrmpDataset final : public GDALPamDataset {
  public:
    static int Identify(GDALOpenInfo* openInfo);
    static GDALDataset* Open(GDALOpenInfo* openInfo);

    QvrmpDataset(PackageReader& reader, const PackageLayout& layout, int level);
    ~QvrmpDataset() override;

    CPLErr GetGeoTransform(double* transform) override;
    // The package's own domain counts its present tiles on the first request for them.
    char** GetMetadata(const char* domain = "") override;
    const char* GetMetadataItem(const char* name, const char* domain = "") override;

    int Level() const { return level_; }
    int OverviewCount() const { return static_cast<int>(overviews_.size()); }
    QvrmpDataset* Overview(int index) const;

    // Decodes the sub-tile under block (blockX, blockY) once and hands each band its channel:
    // `image` receives band `bandNumber`'s, the other bands' blocks go into GDAL's block cache.
    CPLErr ReadBlockOfAllBands(int bandNumber, int blockX, int blockY, void* image);

  private:
    void AddMetadata(const PackageLayout& layout);
    CPLErr DecodeSubTile(int blockX, int blockY);
    void CountTilesOnce();

    PackageHandle ownedReader_;  // level 0 only
    PackageReader& reader_;
    PackageLayout layout_;
    int level_ = 0;
    bool tilesCounted_ = false;
    std::vector<std::unique_ptr<QvrmpDataset>> overviews_;  // levels 1 to topLevel
    std::vector<std::uint8_t> subTile_;                     // one decoded sub-tile, RGBA
    std::vector<std::uint8_t> scratch_;  // where a band's channel goes when its block is not made
};
