// What a package says about itself (the driver's facts) and what users set on it (the sidecar,
// PACKAGE.qvrmp.aux.xml): the two are kept apart, so the sidecar never holds, and never
// overrides, a fact the package's header gives.
#include <cpl_error.h>

#include <string>

#include "qvrmp_dataset.h"
#include "sidecar_tie.h"

namespace {

constexpr char kPackageDomain[] = "QVRMP";
constexpr char kImageStructureDomain[] = "IMAGE_STRUCTURE";
constexpr char kTilesPresentItem[] = "TILES_PRESENT";
// The driver's domains, which a sidecar written before they were kept apart may still hold.
constexpr const char* kFactDomains[] = {kPackageDomain, kImageStructureDomain};

bool IsDomain(const char* domain, const char* name) {
    return domain != nullptr && EQUAL(domain, name);
}

std::string Number(std::uint64_t value) {
    return std::to_string(value);
}

}  // namespace

void QvrmpDataset::AddImageStructure() {
    imageStructure_.SetNameValue("INTERLEAVE", "PIXEL");
    imageStructure_.SetNameValue("COMPRESSION", "WEBP");
}

void QvrmpDataset::AddFacts(const PackageLayout& layout) {
    facts_.SetNameValue("MAGIC2", Number(LoadU32(reader_.header.data() + kMagic2Offset)).c_str());
    facts_.SetNameValue("TOP_LEVEL", Number(reader_.TopLevel()).c_str());
    facts_.SetNameValue("HEADER_LENGTH", Number(reader_.HeaderLength()).c_str());
    facts_.SetNameValue("TILE_ENTRIES", Number(layout.entryCount).c_str());
}

bool QvrmpDataset::LoadSidecar(GDALOpenInfo* openInfo) {
    TryLoadXML(openInfo->GetSiblingFiles());
    const std::optional<std::string> own = ReaderFingerprint(reader_);
    const char* stored = GDALPamDataset::GetMetadataItem(kSidecarTieItem, kSidecarTieDomain);
    if (TieOfSidecar(stored, own) == SidecarTie::kOtherPackage) {
        return false;
    }
    // Drop what an older sidecar kept of the driver's facts, and tie whatever is saved from now
    // on to this package. Neither is a change of the user's: opening writes nothing.
    for (const char* domain : kFactDomains) {
        if (GDALPamDataset::GetMetadata(domain) != nullptr) {
            GDALPamDataset::SetMetadata(nullptr, domain);
        }
    }
    if (own) {
        GDALPamDataset::SetMetadataItem(kSidecarTieItem, own->c_str(), kSidecarTieDomain);
    }
    nPamFlags &= ~GPF_DIRTY;
    return true;
}

void QvrmpDataset::CountTilesOnce() {
    // Counting walks the whole index, which may be gigabytes: only for a caller that asks.
    if (level_ != 0 || tilesCounted_) {
        return;
    }
    tilesCounted_ = true;
    facts_.SetNameValue(kTilesPresentItem, Number(CountPresentTiles(reader_)).c_str());
}

char** QvrmpDataset::GetMetadata(const char* domain) {
    if (IsDomain(domain, kPackageDomain)) {
        CountTilesOnce();
        return facts_.List();
    }
    if (IsDomain(domain, kImageStructureDomain)) {
        return imageStructure_.List();
    }
    return GDALPamDataset::GetMetadata(domain);
}

const char* QvrmpDataset::GetMetadataItem(const char* name, const char* domain) {
    if (name == nullptr) {
        return nullptr;
    }
    if (IsDomain(domain, kPackageDomain)) {
        if (EQUAL(name, kTilesPresentItem)) {
            CountTilesOnce();
        }
        return facts_.FetchNameValue(name);
    }
    if (IsDomain(domain, kImageStructureDomain)) {
        return imageStructure_.FetchNameValue(name);
    }
    return GDALPamDataset::GetMetadataItem(name, domain);
}

char** QvrmpDataset::GetMetadataDomainList() {
    // Not asked whether they are empty, which would count the tiles.
    return BuildMetadataDomainList(GDALPamDataset::GetMetadataDomainList(), FALSE,
                                   level_ == 0 ? kPackageDomain : kImageStructureDomain,
                                   kImageStructureDomain, nullptr);
}
