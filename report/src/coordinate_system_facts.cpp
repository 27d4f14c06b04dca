#include "coordinate_system_facts.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_minixml.h>
#include <cpl_string.h>

#include <memory>

#include "package_format.h"
#include "sidecar_tie.h"

namespace {

constexpr char kEpsgAuthority[] = "EPSG";
// Where GDAL's auxiliary metadata keeps the dataset's coordinate system.
constexpr char kSidecarSrsPath[] = "=PAMDataset.SRS";

struct XmlTreeDestroyer {
    void operator()(CPLXMLNode* node) const { CPLDestroyXMLNode(node); }
};
using XmlTree = std::unique_ptr<CPLXMLNode, XmlTreeDestroyer>;

// The code of the system itself, as gdalinfo's JSON finds it: the root's authority, taken only
// when that authority is EPSG. No search of the database for a likely match.
std::optional<int> OwnEpsgCode(const OGRSpatialReference& reference) {
    const char* authority = reference.GetAuthorityName(nullptr);
    const char* code = reference.GetAuthorityCode(nullptr);
    if (authority == nullptr || code == nullptr || !EQUAL(authority, kEpsgAuthority))
        return std::nullopt;
    return atoi(code);
}

// The fingerprint the sidecar stores of the package it was written for, or null.
const char* StoredFingerprint(const CPLXMLNode* tree) {
    const CPLXMLNode* pam = CPLGetXMLNode(tree, "=PAMDataset");
    for (const CPLXMLNode* node = pam ? pam->psChild : nullptr; node; node = node->psNext) {
        if (node->eType != CXT_Element || !EQUAL(node->pszValue, "Metadata") ||
            !EQUAL(CPLGetXMLValue(node, "domain", ""), kSidecarTieDomain))
            continue;
        for (const CPLXMLNode* item = node->psChild; item; item = item->psNext) {
            if (item->eType == CXT_Element && EQUAL(item->pszValue, "MDI") &&
                EQUAL(CPLGetXMLValue(item, "key", ""), kSidecarTieItem))
                return CPLGetXMLValue(item, nullptr, "");
        }
    }
    return nullptr;
}

}  // namespace

CoordinateSystem DescribeCoordinateSystem(const OGRSpatialReference& reference, std::string wkt) {
    CoordinateSystem crs;
    crs.wkt = std::move(wkt);
    char* proj4 = nullptr;
    if (reference.exportToProj4(&proj4) == OGRERR_NONE) {
        crs.proj4 = proj4 != nullptr ? proj4 : "";
    }
    CPLFree(proj4);
    crs.epsg = OwnEpsgCode(reference);
    crs.geographicEpsg = reference.GetEPSGGeogCS();
    if (reference.IsProjected())
        crs.metresPerUnit = reference.GetLinearUnits();
    return crs;
}

std::optional<CoordinateSystem> ReadSidecarCoordinateSystem(
    const std::string& packagePath, const std::optional<std::string>& packageFingerprint,
    const char* const* siblingFiles) {
    const std::string sidecar = packagePath + kSidecarSuffix;
    if (siblingFiles != nullptr && CSLFindString(siblingFiles, CPLGetFilename(sidecar.c_str())) < 0)
        return std::nullopt;
    // A package without a sidecar is usual: nothing is printed, and the caller's last error stays.
    const CPLErrorStateBackuper lastError;
    const CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    const XmlTree tree(CPLParseXMLFile(sidecar.c_str()));
    if (tree && TieOfSidecar(StoredFingerprint(tree.get()), packageFingerprint) ==
                    SidecarTie::kOtherPackage)
        return std::nullopt;
    const char* definition = tree ? CPLGetXMLValue(tree.get(), kSidecarSrsPath, nullptr) : nullptr;
    if (definition == nullptr || *definition == '\0')
        return std::nullopt;
    OGRSpatialReference reference;
    if (reference.SetFromUserInput(definition,
                                   OGRSpatialReference::SET_FROM_USER_INPUT_LIMITATIONS_get()) !=
        OGRERR_NONE) {
        return std::nullopt;
    }
    // The WKT a GDAL dataset gives for it (GDALDataset::GetProjectionRef).
    char* wkt = nullptr;
    if (reference.exportToWkt(&wkt) != OGRERR_NONE || wkt == nullptr) {
        CPLFree(wkt);
        return std::nullopt;
    }
    std::string text = wkt;
    CPLFree(wkt);
    return DescribeCoordinateSystem(reference, std::move(text));
}
