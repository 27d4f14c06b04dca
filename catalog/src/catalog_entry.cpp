#include "catalog_entry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text_helpers.h"

std::optional<QByteArray> RefusalOf(const QByteArray& path) {
    struct stat status {};
    if (::stat(path.constData(), &status) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(path.constData(), &link) == 0)
            return QByteArray("broken symbolic link");
        if (error == ENOENT)
            return QByteArray("no such file");
        return QByteArray(std::strerror(error));
    }
    if (S_ISDIR(status.st_mode))
        return QByteArray("a folder (-r walks folders)");
    if (!S_ISREG(status.st_mode))
        return QByteArray("not a regular file (a FIFO, a device or a socket)");
    if (::access(path.constData(), R_OK) != 0)
        return QByteArray("permission denied");
    return std::nullopt;
}

GatheredEntry GatherEntry(const CatalogEntry& entry) {
    const QByteArray& path = entry.path;
    const std::optional<QByteArray> refusal =
        entry.error.isEmpty() ? RefusalOf(path) : std::optional<QByteArray>(entry.error);
    if (refusal) {
        FileFacts facts;
        facts.path = Utf8ToWide(path);
        facts.error = Utf8ToWide(*refusal);
        return {path, std::move(facts)};
    }
    return {path, GatherFileFactsAt(path, entry.siblings ? entry.siblings->List() : nullptr)};
}
