#include "qvrmp_dataset.h"

#include <cpl_error.h>
#include <cpl_string.h>

#include <cstring>
#include <new>
#include <string>

#include "header_check.h"
#include "qvrmp_band.h"
#include "sub_tile_read.h"
#include "vsi_byte_source.h"

namespace {

constexpr char kMetadataDomain[] = "QVRMP";
constexpr char kImageStructureDomain[] = "IMAGE_STRUCTURE";
constexpr std::size_t kSubTileStride = std::size_t{kSubTileSize} * kBytesPerPixel;
constexpr std::size_t kSubTileBytes = kSubTileStride * kSubTileSize;
constexpr std::size_t kBandBlockBytes = std::size_t{kSubTileSize} * kSubTileSize;

std::string Number(std::uint64_t value) {
    return std::to_string(value);
}

constexpr char kTilesPresentItem[] = "TILES_PRESENT";
bool IsPackageDomain(const char* domain) {
    return domain != nullptr && EQUAL(domain, kMetadataDomain);
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
    PackageHandle reader(OpenPackage(MakeVsiByteSource(file), errorText));
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

    auto dataset = std::make_unique<QvrmpDataset>(*reader, layout, 0);
    dataset->ownedReader_ = std::move(reader);
    dataset->SetDescription(path);
    dataset->AddMetadata(layout);
    dataset->TryLoadXML(openInfo->GetSiblingFiles());  // the .aux.xml beside it: CRS and more
    return dataset.release();
}

QvrmpDataset::QvrmpDataset(PackageReader& reader, const PackageLayout& layout, int level)
    : reader_(reader), layout_(layout), level_(level) {
    nRasterXSize = static_cast<int>(layout.levelWidth[level]);
    nRasterYSize = static_cast<int>(layout.levelHeight[level]);
    eAccess = GA_ReadOnly;
    for (int band = 1; band <= kQvrmpBandCount; ++band) {
        SetBand(band, new QvrmpRasterBand(this, band));
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

void QvrmpDataset::AddMetadata(const PackageLayout& layout) {
    SetMetadataItem("MAGIC2", Number(LoadU32(reader_.header.data() + kMagic2Offset)).c_str(),
                    kMetadataDomain);
    SetMetadataItem("TOP_LEVEL", Number(reader_.TopLevel()).c_str(), kMetadataDomain);
    SetMetadataItem("HEADER_LENGTH", Number(reader_.HeaderLength()).c_str(), kMetadataDomain);
    SetMetadataItem("TILE_ENTRIES", Number(layout.entryCount).c_str(), kMetadataDomain);
    SetMetadataItem("INTERLEAVE", "PIXEL", kImageStructureDomain);
    SetMetadataItem("COMPRESSION", "WEBP", kImageStructureDomain);
}

void QvrmpDataset::CountTilesOnce() {
    // Counting walks the whole index, which may be gigabytes: only for a caller that asks.
    if (level_ != 0 || tilesCounted_) {
        return;
    }
    tilesCounted_ = true;
    SetMetadataItem(kTilesPresentItem, Number(CountPresentTiles(reader_)).c_str(), kMetadataDomain);
}

char** QvrmpDataset::GetMetadata(const char* domain) {
    if (IsPackageDomain(domain)) {
        CountTilesOnce();
    }
    return GDALPamDataset::GetMetadata(domain);
}

const char* QvrmpDataset::GetMetadataItem(const char* name, const char* domain) {
    if (IsPackageDomain(domain) && name != nullptr && EQUAL(name, kTilesPresentItem)) {
        CountTilesOnce();
    }
    return GDALPamDataset::GetMetadataItem(name, domain);
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

QvrmpDataset* QvrmpDataset::Overview(int index) const {
    if (index < 0 || index >= OverviewCount()) {
        return nullptr;
    }
    return overviews_[static_cast<std::size_t>(index)].get();
}

CPLErr QvrmpDataset::DecodeSubTile(int blockX, int blockY) {
    const auto tileColumn = static_cast<std::uint32_t>(blockX / kSubTilesPerSide);
    const auto tileRow = static_cast<std::uint32_t>(blockY / kSubTilesPerSide);
    const int subTile = kSubTilesPerSide * (blockY % kSubTilesPerSide) + blockX % kSubTilesPerSide;
    // The buffer is had on the first read, so a level that is never read costs nothing.
    if (subTile_.empty()) {
        try {
            subTile_.resize(kSubTileBytes);
            scratch_.resize(kBandBlockBytes);
        } catch (const std::bad_alloc&) {
            CPLError(CE_Failure, CPLE_OutOfMemory, "QVRMP: %s: no memory for a sub-tile",
                     GetDescription());
            return CE_Failure;
        }
    }
    // Pixels a sub-tile does not cover (absent, empty, cropped at the edge) read as 0.
    std::memset(subTile_.data(), 0, subTile_.size());
    switch (ReadSubTileRgba(reader_, level_, tileRow, tileColumn, subTile, subTile_.data(),
                            kSubTileStride)) {
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
    CPLError(CE_Failure, CPLE_AppDefined,
             "QVRMP: %s: sub-tile %d of the tile block of level %d, tile row %u, column %u is "
             "corrupt (outside its block, or not a WebP image of at most %u x %u pixels)",
             GetDescription(), subTile, level_, tileRow, tileColumn, kSubTileSize, kSubTileSize);
    return CE_Failure;
}

CPLErr QvrmpDataset::ReadBlockOfAllBands(int bandNumber, int blockX, int blockY, void* image) {
    if (DecodeSubTile(blockX, blockY) != CE_None) {
        return CE_Failure;
    }
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
    GDALDeinterleave(subTile_.data(), GDT_Byte, kQvrmpBandCount, targets, GDT_Byte,
                     kBandBlockBytes);
    for (GDALRasterBlock* block : blocks) {
        if (block != nullptr) {
            block->DropLock();
        }
    }
    return CE_None;
}
