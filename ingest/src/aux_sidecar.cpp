#include "aux_sidecar.h"

#include <sys/stat.h>

#include <cpl_minixml.h>
#include <cpl_string.h>

#include <optional>
#include <utility>
#include <vector>

#include "file_io.h"
#include "output_file.h"
#include "package_format.h"
#include "sidecar_tie.h"

namespace {

// Written as GDAL writes coordinate systems into its own sidecars.
constexpr const char* kWktOptions[] = {"FORMAT=WKT2_2018", nullptr};

// The axis order GDAL keeps beside the WKT, e.g. "2,1" for latitude-first definitions read in
// longitude, latitude order.
std::string AxisMapping(OGRSpatialReferenceH srs) {
    int count = 0;
    const int* mapping = OSRGetDataAxisToSRSAxisMapping(srs, &count);
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text += ',';
        }
        text += std::to_string(mapping[i]);
    }
    return text;
}

// The fingerprint of the package as written, read back from its file.
std::optional<std::string> WrittenPackageFingerprint(const std::string& packagePath) {
    FileHandle file = OpenReadOnly(packagePath);
    std::uint64_t size = 0;
    std::vector<std::uint8_t> header(kMinHeaderLength, 0);
    const bool read = file.IsValid() && FileSize(file, size) &&
                      ReadBytesAt(file, 0, header.data(), header.size()).ok;
    CloseFile(file);
    if (!read) {
        return std::nullopt;
    }
    return PackageFingerprint(size, header.data());
}

// <PAMDataset><Metadata domain="TIE"><MDI key="...">FINGERPRINT</MDI></Metadata>
// <SRS dataAxisToSRSAxisMapping="...">WKT</SRS></PAMDataset>, or "" when the coordinate system
// has no WKT form.
std::string SidecarText(OGRSpatialReferenceH srs, const std::string& fingerprint) {
    char* wkt = nullptr;
    if (OSRExportToWktEx(srs, &wkt, kWktOptions) != OGRERR_NONE || wkt == nullptr) {
        CPLFree(wkt);
        return {};
    }
    CPLXMLNode* root = CPLCreateXMLNode(nullptr, CXT_Element, "PAMDataset");
    CPLXMLNode* metadata = CPLCreateXMLNode(root, CXT_Element, "Metadata");
    CPLAddXMLAttributeAndValue(metadata, "domain", kSidecarTieDomain);
    CPLAddXMLAttributeAndValue(CPLCreateXMLElementAndValue(metadata, "MDI", fingerprint.c_str()),
                               "key", kSidecarTieItem);
    CPLXMLNode* srsNode = CPLCreateXMLElementAndValue(root, "SRS", wkt);
    CPLFree(wkt);
    CPLAddXMLAttributeAndValue(srsNode, "dataAxisToSRSAxisMapping", AxisMapping(srs).c_str());
    char* serialized = CPLSerializeXMLTree(root);
    CPLDestroyXMLNode(root);
    std::string text = serialized != nullptr ? serialized : "";
    CPLFree(serialized);
    return text;
}

PackStatus SidecarFailed(std::string message) {
    return MakeError(PackCode::kSidecarFailed, std::move(message));
}

}  // namespace

std::string AuxSidecarPath(const std::string& packagePath) {
    return packagePath + kSidecarSuffix;
}

PackStatus WriteAuxSidecar(const std::string& packagePath, OGRSpatialReferenceH srs,
                           ExistingTarget existing) {
    const std::string path = AuxSidecarPath(packagePath);
    const std::optional<std::string> fingerprint = WrittenPackageFingerprint(packagePath);
    if (!fingerprint) {
        return SidecarFailed("the package " + packagePath + " cannot be read back for " + path);
    }
    const std::string text = SidecarText(srs, *fingerprint);
    if (text.empty()) {
        return SidecarFailed("the coordinate system has no WKT form for " + path);
    }
    OutputFile file;
    WriteStatus written = file.Create(path, {}, existing);
    if (written) {
        written = file.WriteAt(0, text.data(), text.size());
    }
    if (written) {
        written = file.Commit();
    }
    if (!written) {
        return SidecarFailed(written.message());
    }
    return {};
}

PackStatus RemoveStaleAuxSidecar(const std::string& packagePath) {
    const std::string path = AuxSidecarPath(packagePath);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return {};
    }
    if (const int error = RemoveFile(path); error != 0) {
        std::string message = "the old ";
        message += path;
        message += " could not be removed: ";
        message += ErrorText(error);
        return SidecarFailed(std::move(message));
    }
    return {};
}
