#include "remote_walk.h"

#include <cpl_string.h>
#include <cpl_vsi.h>
#include <cpl_vsi_error.h>

#include <algorithm>
#include <memory>

#include "virtual_path.h"

namespace {

constexpr int kWholeListing = 0;  // VSIReadDirEx's limit for no limit
constexpr char kSeparator = '/';

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == kSeparator)
        path.pop_back();
    return path;
}

std::string CannotList() {
    return std::string("cannot list the folder: ") + VSIGetLastErrorMsg();
}

// One folder's listing, then its subfolders where their names fall. Whether a name is a folder
// comes from the listing GDAL keeps (asking only for its nature costs no request); its size is
// learnt when it is read.
void WalkFolder(const std::string& shown, const std::string& folder,
                std::vector<CatalogEntry>& out) {
    VSIErrorReset();
    const CPLStringList listing(VSIReadDirEx(folder.c_str(), kWholeListing));
    if (listing.empty()) {
        VSIStatBufL status{};
        if (VSIStatExL(folder.c_str(), &status, VSI_STAT_NATURE_FLAG) != 0 ||
            !VSI_ISDIR(status.st_mode))
            out.push_back({shown, CannotList(), {}});
        return;
    }
    std::vector<std::string> names;
    for (int i = 0; i < listing.size(); ++i)
        names.emplace_back(listing[i]);
    std::sort(names.begin(), names.end());
    const auto siblings = std::make_shared<const FolderNames>(names);
    for (const std::string& name : names) {
        if (name.front() == '.')
            continue;  // hidden
        const std::string child = folder + kSeparator + name;
        VSIStatBufL status{};
        const bool isFolder = VSIStatExL(child.c_str(), &status, VSI_STAT_NATURE_FLAG) == 0 &&
                              VSI_ISDIR(status.st_mode);
        if (isFolder)
            WalkFolder(shown + kSeparator + name, child, out);
        else
            out.push_back({shown + kSeparator + name, {}, siblings});
    }
}

}  // namespace

void WalkRemote(const std::string& given, std::vector<CatalogEntry>& out) {
    const std::string shown = WithoutTrailingSeparators(given);
    WalkFolder(shown, VirtualPath(shown), out);
}
