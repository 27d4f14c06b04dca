#include "file_size.h"

#include <cpl_vsi.h>
#include <sys/stat.h>

#include "virtual_path.h"

double FileSizeOnDisk(const std::string& path) {
    if (IsVirtualPath(path)) {
        // Known from the listing or the opening request: asking costs no request of its own.
        VSIStatBufL virtualStatus{};
        if (VSIStatExL(path.c_str(), &virtualStatus, VSI_STAT_SIZE_FLAG) != 0 ||
            !VSI_ISREG(virtualStatus.st_mode))
            return 0;
        return static_cast<double>(virtualStatus.st_size);
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return static_cast<double>(static_cast<unsigned long long>(status.st_size));
}

std::optional<std::int64_t> FileModificationTime(const std::string& path) {
    VSIStatBufL status{};
    if (VSIStatL(path.c_str(), &status) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(status.st_mtime);
}
