#include "qvrmp_dataset.h"

#include <cpl_error.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "header_check.h"
#include "locked_byte_source.h"
#include "qvrmp_band.h"
#include "vsi_byte_source.h"

namespace {

constexpr std::size_t kBandBlockBytes = std::size_t{kSubTileSize} * kSubTileSize;
// GDAL indexes a band's cached blocks in an array of squares this many blocks on a side; each
// square is allocated whole (32 KB of pointers) once one of its blocks is read.
constexpr std::int64_t kGdalBlockSquareSide = 64;
// Below this many blocks the index costs little whatever its layout.
constexpr std::int64_t kFewBlocks = 1024;

// A level fewer block rows high than one square leaves most of each square empty: a 67,108,864 x
// 1 level takes 268 MB of squares for one full read of its four bands. Such a level keeps its
// blocks in GDAL's hash set instead.
bool IndexesBlocksInHashSet(int width, int height) {
    const auto side = static_cast<std::int64_t>(kSubTileSize);
    const std::int64_t across = (width + side - 1) / side;
    const std::int64_t down = (height + side - 1) / side;
    return down < kGdalBlockSquareSide && across * down > kFewBlocks;
}

}  // namespace

int QvrmpDataset::Identify(GDALOpenInfo* openInfo) {
    // Asked before the built-in drivers for every file GDAL opens: the opening bytes alone decide.
    if (openInfo->pabyHeader == nullptr ||
        openInfo->nHeaderBytes < static_cast<int>(kCheckedFieldsSize)) {
        return FALSE;
    }
    return CheckHeader(openInfo->pabyHeader, static_cast<std::size_t>(openInfo->nHeaderBytes)) ==
           HeaderCheck::kValid;
}

GDALDataset* QvrmpDataset::Open(GDALOpenInfo* openInfo) {
    if (!Identify(openInfo)) {
        return nullptr;
    }
    const char* path = openInfo->pszFilename;
    if (openInfo->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported,
                 "QVRMP: %s: packages are read-only; open it read-only (a coordinate system or "
                 "other metadata set then goes to the .aux.xml beside it)",
                 path);
        return nullptr;
    }
    VSILFILE* file = openInfo->fpL;
    openInfo->fpL = nullptr;  // the byte source owns it from here
    if (file == nullptr) {
        file = VSIFOpenL(path, "rb");
    }
    std::string errorText;
    // The decoding threads read through one file handle, one read at a time.
    PackageHandle reader(OpenPackage(MakeLockedByteSource(MakeVsiByteSource(file)), errorText));
    if (!reader) {
        CPLError(CE_Failure, CPLE_OpenFailed, "QVRMP: %s: %s", path, errorText.c_str());
        return nullptr;
    }
    const PackageLayout layout = MakePackageLayout(reader->Width(), reader->Height());
    if (layout.width == 0 || layout.height == 0) {
        CPLError(CE_Failure, CPLE_OpenFailed, "QVRMP: %s: the package is %u x %u pixels, no image",
                 path, layout.width, layout.height);
        return nullptr;
    }

    const auto makeDataset = [&](PackageHandle owned) {
        auto made = std::make_unique<QvrmpDataset>(*owned, layout, 0);
        made->ownedReader_ = std::move(owned);
        made->SetDescription(path);
        made->AddFacts(layout);
        return made;
    };
    auto dataset = makeDataset(std::move(reader));
    if (!dataset->LoadSidecar(openInfo)) {
        // Its coordinate system and statistics are another package's: none of it is shown, and
        // nothing is saved over it.
        PackageHandle owned = std::move(dataset->ownedReader_);
        dataset.reset();
        dataset = makeDataset(std::move(owned));
        dataset->nPamFlags |= GPF_DISABLED;
        CPLError(CE_Warning, CPLE_AppDefined,
                 "QVRMP: %s: its sidecar %s was written for another package and is ignored; "
                 "remove it to set a coordinate system or metadata",
                 path, (std::string(path) + kSidecarSuffix).c_str());
    }
    // PACKAGE.qvrmp.ovr, as gdaladdo -ro makes it.
    dataset->oOvManager.Initialize(dataset.get(), path, openInfo->GetSiblingFiles());
    return dataset.release();
}

QvrmpDataset::QvrmpDataset(PackageReader& reader, const PackageLayout& layout, int level)
    : reader_(reader), layout_(layout), level_(level) {
    nRasterXSize = static_cast<int>(layout.levelWidth[level]);
    nRasterYSize = static_cast<int>(layout.levelHeight[level]);
    eAccess = GA_ReadOnly;
    AddImageStructure();
    const bool hashSet = IndexesBlocksInHashSet(nRasterXSize, nRasterYSize);
    if (hashSet) {
        nOpenFlags = (nOpenFlags & ~GDAL_OF_BLOCK_ACCESS_MASK) | GDAL_OF_HASHSET_BLOCK_ACCESS;
    }
    for (int band = 1; band <= kQvrmpBandCount; ++band) {
        auto* made = new QvrmpRasterBand(this, band);
        SetBand(band, made);
        if (hashSet) {
            made->IndexBlocks();
        }
    }
    if (level == 0) {
        for (int overview = 1; overview <= layout.topLevel; ++overview) {
            overviews_.push_back(std::make_unique<QvrmpDataset>(reader, layout, overview));
        }
    } else {
        nPamFlags |= GPF_DISABLED;  // the level-0 dataset alone has a sidecar
    }
}

QvrmpDataset::~QvrmpDataset() {
    GDALPamDataset::FlushCache(true);
    overviews_.clear();  // they read through the reader, which goes after them
}

CPLErr QvrmpDataset::GetGeoTransform(double* transform) {
    // One set in the sidecar (gdal_edit.py -ro -a_ullr ...) wins over the header's.
    if (level_ == 0 && GDALPamDataset::GetGeoTransform(transform) == CE_None) {
        return CE_None;
    }
    const GeoTransformCoefficients header = reader_.GeoTransform();
    std::memcpy(transform, header.data(), sizeof(double) * header.size());
    // A level's pixels are larger by the ratio of the sizes.
    const double xRatio = static_cast<double>(layout_.width) / nRasterXSize;
    const double yRatio = static_cast<double>(layout_.height) / nRasterYSize;
    transform[1] *= xRatio;
    transform[2] *= yRatio;
    transform[4] *= xRatio;
    transform[5] *= yRatio;
    return CE_None;
}

bool QvrmpDataset::AllocateSubTile() {
    // The buffer is had on the first read, so a level that is never read costs nothing.
    if (!subTile_.empty()) {
        return true;
    }
    try {
        subTile_.resize(kSubTileBytes);
        scratch_.resize(kBandBlockBytes);
    } catch (const std::bad_alloc&) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "QVRMP: %s: no memory for a sub-tile",
                 GetDescription());
        return false;
    }
    return true;
}

CPLErr QvrmpDataset::ReadBlockOfAllBands(int bandNumber, int blockX, int blockY, void* image) {
    const auto tileColumn = static_cast<std::uint32_t>(blockX / kSubTilesPerSide);
    const auto tileRow = static_cast<std::uint32_t>(blockY / kSubTilesPerSide);
    const int subTile = kSubTilesPerSide * (blockY % kSubTilesPerSide) + blockX % kSubTilesPerSide;
    // Rows past the level's last are never read from a block.
    const int rows = std::min(static_cast<int>(kSubTileSize),
                              nRasterYSize - blockY * static_cast<int>(kSubTileSize));
    const auto zeroImage = [&] { std::memset(image, 0, std::size_t{kSubTileSize} * rows); };
    if (TileIsAbsent(reader_, level_, tileRow, tileColumn)) {
        zeroImage();  // nothing to read, decode or split
        return CE_None;
    }
    if (!AllocateSubTile()) {
        return CE_Failure;
    }
    // Pixels a sub-tile does not cover (empty, cropped at the edge) read as 0.
    std::memset(subTile_.data(), 0, subTile_.size());
    const SubTileResult result = ReadSubTileRgba(reader_, level_, tileRow, tileColumn, subTile,
                                                 subTile_.data(), kSubTileStride);
    if (result == SubTileResult::kDecoded) {
        ScatterToBands(subTile_.data(), bandNumber, blockX, blockY, image);
        return CE_None;
    }
    if (result == SubTileResult::kAbsent) {
        zeroImage();
        return CE_None;
    }
    if (ReportSubTile(result, tileRow, tileColumn, subTile) == CE_Failure) {
        return CE_Failure;
    }
    // As in the thumbnail, a bad sub-tile reads as empty: in all four bands.
    std::memset(subTile_.data(), 0, subTile_.size());
    ScatterToBands(subTile_.data(), bandNumber, blockX, blockY, image);
    return CE_None;
}

CPLErr QvrmpDataset::ReportSubTile(SubTileResult result, std::uint32_t tileRow,
                                   std::uint32_t tileColumn, int subTile) {
    switch (result) {
        case SubTileResult::kDecoded:
        case SubTileResult::kAbsent:
            return CE_None;
        case SubTileResult::kUnreadable:
            CPLError(CE_Failure, CPLE_FileIO,
                     "QVRMP: %s: the tile block of level %d, tile row %u, column %u cannot be "
                     "read in full",
                     GetDescription(), level_, tileRow, tileColumn);
            return CE_Failure;
        case SubTileResult::kCorrupt:
            break;
    }
    CPLError(CE_Warning, CPLE_AppDefined,
             "QVRMP: %s: sub-tile %d of the tile block of level %d, tile row %u, column %u is "
             "corrupt (outside its block, or not a WebP image of at most %u x %u pixels); it "
             "reads as empty",
             GetDescription(), subTile, level_, tileRow, tileColumn, kSubTileSize, kSubTileSize);
    return CE_Warning;
}

void QvrmpDataset::ScatterToBands(const std::uint8_t* rgba, int bandNumber, int blockX, int blockY,
                                  void* image) {
    // One pass splits the RGBA pixels into the four bands: `image` for the band asked for, new
    // cache blocks for the others. A band whose block is cached already (perhaps changed by its
    // caller) is left alone, and so is every other band when the cache could not hold one block
    // of each: their channels go to scratch.
    void* targets[kQvrmpBandCount] = {};
    GDALRasterBlock* blocks[kQvrmpBandCount] = {};
    const bool cacheHoldsAllBands =
        GDALGetCacheMax64() >= static_cast<GIntBig>(kQvrmpBandCount * kBandBlockBytes);
    for (int band = 1; band <= kQvrmpBandCount; ++band) {
        void*& target = targets[band - 1];
        if (band == bandNumber) {
            target = image;
            continue;
        }
        GDALRasterBand* other = GetRasterBand(band);
        if (cacheHoldsAllBands) {
            if (GDALRasterBlock* cached = other->TryGetLockedBlockRef(blockX, blockY)) {
                cached->DropLock();
            } else if ((blocks[band - 1] = other->GetLockedBlockRef(blockX, blockY, TRUE))) {
                target = blocks[band - 1]->GetDataRef();
            }
        }
        if (target == nullptr) {
            target = scratch_.data();
        }
    }
    GDALDeinterleave(rgba, GDT_Byte, kQvrmpBandCount, targets, GDT_Byte, kBandBlockBytes);
    for (GDALRasterBlock* block : blocks) {
        if (block != nullptr) {
            block->DropLock();
        }
    }
}
