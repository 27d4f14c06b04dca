// A package as a GDAL dataset: level 0 is the dataset, levels 1 to topLevel its overviews. Each
// level is its own dataset of four Byte bands (R, G, B, A) in blocks of one sub-tile; the level-0
// dataset owns the package reader that all of them read through.
#pragma once

#include <cpl_string.h>
#include <gdal_pam.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "package_format.h"
#include "package_layout.h"
#include "package_reader.h"
#include "sub_tile_read.h"

inline constexpr int kQvrmpBandCount = kBytesPerPixel;  // one band per byte of an RGBA pixel
inline constexpr std::size_t kSubTileStride = std::size_t{kSubTileSize} * kBytesPerPixel;
inline constexpr std::size_t kSubTileBytes = kSubTileStride * kSubTileSize;

class QvrmpDataset final : public GDALPamDataset {
  public:
    static int Identify(GDALOpenInfo* openInfo);
    static GDALDataset* Open(GDALOpenInfo* openInfo);

    QvrmpDataset(PackageReader& reader, const PackageLayout& layout, int level);
    ~QvrmpDataset() override;

    CPLErr GetGeoTransform(double* transform) override;
    // The driver's facts (the QVRMP and IMAGE_STRUCTURE domains) come from the package alone,
    // never from the sidecar, and are never saved into it. The package's own domain counts its
    // present tiles on the first request for them.
    char** GetMetadata(const char* domain = "") override;
    const char* GetMetadataItem(const char* name, const char* domain = "") override;
    char** GetMetadataDomainList() override;

    int Level() const { return level_; }
    int OverviewCount() const { return static_cast<int>(overviews_.size()); }
    QvrmpDataset* Overview(int index) const;
    // What a band offers as overviews: the package's own levels, then those external overviews
    // (PACKAGE.qvrmp.ovr, made by gdaladdo -ro) that are smaller than the smallest own level.
    int CombinedOverviewCount(int bandNumber);
    GDALRasterBand* CombinedOverview(int bandNumber, int index);

    // Decodes the sub-tile under block (blockX, blockY) once and hands each band its channel:
    // `image` receives band `bandNumber`'s, the other bands' blocks go into GDAL's block cache.
    // An absent tile costs no decode; a corrupt sub-tile reads as empty, with a warning.
    CPLErr ReadBlockOfAllBands(int bandNumber, int blockX, int blockY, void* image);

    // The base class's read of a part of the caller's window, one to one (window and buffer of
    // the same size), into the caller's buffer `offset` bytes on; or of the whole window, as
    // asked, when `whole`.
    using WindowRead = std::function<CPLErr(int x, int y, int width, int height, GSpacing offset,
                                            GDALRasterIOExtraArg* extra, bool whole)>;
    // A read of many blocks at this level: decodes the blocks it needs on several threads ahead
    // of `read`, a part of the window at a time so that the block cache holds what was decoded.
    CPLErr ReadAhead(int bandNumber, int x, int y, int width, int height, int bufferWidth,
                     int bufferHeight, GSpacing pixelSpace, GSpacing lineSpace,
                     GDALRasterIOExtraArg* extra, const WindowRead& read);

    // A one-to-one read of several bands (window and buffer of the same size): each sub-tile it
    // touches is decoded once, on several threads, and goes straight into the caller's buffer,
    // not through GDAL's block cache. False in `handled` when the buffer's layout is one this
    // read leaves to GDAL's own.
    CPLErr ReadWindowDirect(int x, int y, int width, int height, void* buffer, GDALDataType type,
                            int bandCount, const int* bandMap, GSpacing pixelSpace,
                            GSpacing lineSpace, GSpacing bandSpace, GDALRasterIOExtraArg* extra,
                            bool& handled);

  protected:
    CPLErr IRasterIO(GDALRWFlag direction, int x, int y, int width, int height, void* buffer,
                     int bufferWidth, int bufferHeight, GDALDataType type, int bandCount,
                     int* bandMap, GSpacing pixelSpace, GSpacing lineSpace, GSpacing bandSpace,
                     GDALRasterIOExtraArg* extra) override;
    // Own levels are kept as they are; external ones are made for the factors beyond them.
    CPLErr IBuildOverviews(const char* resampling, int overviewCount, const int* factors,
                           int bandCount, const int* bands, GDALProgressFunc progress,
                           void* progressData, CSLConstList options) override;

  private:
    void AddImageStructure();
    void AddFacts(const PackageLayout& layout);
    // Takes what the sidecar holds, unless it was written for another package: then false, and
    // the dataset must be dropped, since it has read it.
    bool LoadSidecar(GDALOpenInfo* openInfo);
    void CountTilesOnce();
    // What a sub-tile that did not decode means for a read, said through GDAL's error channel:
    // a failure when its bytes cannot be read, a warning (it reads as empty) when it is corrupt.
    CPLErr ReportSubTile(SubTileResult result, std::uint32_t tileRow, std::uint32_t tileColumn,
                         int subTile);
    bool AllocateSubTile();
    // Splits the RGBA `rgba` into the four bands' blocks: `image` for band `bandNumber` (0: none),
    // new cache blocks for the others.
    void ScatterToBands(const std::uint8_t* rgba, int bandNumber, int blockX, int blockY,
                        void* image);
    // Decodes the blocks of [blockX0, blockX1] x [blockY0, blockY1] that band `bandNumber` does
    // not have in the cache, on several threads, into the cache of all four bands.
    void DecodeBlocksAhead(int bandNumber, int blockX0, int blockY0, int blockX1, int blockY1,
                           int threads);
    // The index of the first external overview of band `bandNumber` that is smaller than the
    // smallest own level, and in `count` how many there are from it on.
    int FirstExternalOverview(int bandNumber, int& count);
    bool ReadUsesOverview(int x, int y, int width, int height, int bufferWidth, int bufferHeight,
                          const GDALRasterIOExtraArg* extra);

    PackageHandle ownedReader_;  // level 0 only
    PackageReader& reader_;
    PackageLayout layout_;
    int level_ = 0;
    bool tilesCounted_ = false;
    CPLStringList facts_;                                   // the QVRMP domain
    CPLStringList imageStructure_;                          // the IMAGE_STRUCTURE domain
    std::vector<std::unique_ptr<QvrmpDataset>> overviews_;  // levels 1 to topLevel
    std::vector<std::uint8_t> subTile_;                     // one decoded sub-tile, RGBA
    std::vector<std::uint8_t> scratch_;  // where a band's channel goes when its block is not made
};
