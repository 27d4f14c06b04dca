#include "catalog_entry.h"

#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include <cerrno>
#include <cstring>

#include "text_helpers.h"
#include "virtual_path.h"

std::optional<std::string> RefusalOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(path.c_str(), &link) == 0)
            return std::string("broken symbolic link");
        if (error == ENOENT)
            return std::string("no such file");
        return std::string(std::strerror(error));
    }
    if (S_ISDIR(status.st_mode))
        return std::string("a folder (-r walks folders)");
    if (!S_ISREG(status.st_mode))
        return std::string("not a regular file (a FIFO, a device or a socket)");
    if (::access(path.c_str(), R_OK) != 0)
        return std::string("permission denied");
    return std::nullopt;
}

GatheredEntry GatherEntry(const CatalogEntry& entry) {
    const std::string& path = entry.path;
    // A virtual path is not the system's to check: GDAL's file layer says why it fails.
    const std::optional<std::string> refusal = !entry.error.empty()
                                                   ? std::optional<std::string>(entry.error)
                                               : IsVirtualPath(VirtualPath(path)) ? std::nullopt
                                                                                  : RefusalOf(path);
    if (refusal) {
        FileFacts facts;
        facts.path = path;
        facts.error = ValidUtf8(*refusal);
        return {path, std::move(facts)};
    }
    return {path, GatherFileFacts(path, entry.siblings ? entry.siblings->List() : nullptr)};
}
