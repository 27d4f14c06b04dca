#include "path_list.h"

#include <QByteArrayList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr char kListFromStdin[] = "-";
constexpr std::size_t kReadChunk = 64 * 1024;

QByteArray CannotRead(const QByteArray& listPath, int error) {
    QByteArray message = "cannot read the list ";
    message += listPath;
    message += ": ";
    message += std::strerror(error);
    return message;
}

QByteArray Bytes(const fs::path& path) {
    return QByteArray::fromStdString(path.native());
}

QByteArray CannotList(const std::error_code& error) {
    QByteArray message = "cannot list the folder: ";
    message += QByteArray::fromStdString(error.message());
    return message;
}

bool IsHidden(const std::string& name) {
    return !name.empty() && name.front() == '.';
}

struct Child {
    std::string name;
    fs::directory_entry entry;
};

}  // namespace

FolderNames::FolderNames(std::vector<std::string> names) : names_(std::move(names)) {
    pointers_.reserve(names_.size() + 1);
    for (const std::string& name : names_)
        pointers_.push_back(name.c_str());
    pointers_.push_back(nullptr);
}

namespace {

void Walk(const fs::path& folder, std::vector<CatalogEntry>& out) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        out.push_back({Bytes(folder), CannotList(error), {}});
        return;
    }
    std::vector<Child> children;
    std::vector<std::string> names;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        std::string name = it->path().filename().native();
        names.push_back(name);
        if (!IsHidden(name))
            children.push_back({std::move(name), *it});
    }
    if (error)
        out.push_back({Bytes(folder), CannotList(error), {}});
    // GDAL looks for a file's side files in this listing instead of listing the folder again.
    const auto siblings = std::make_shared<const FolderNames>(std::move(names));
    std::sort(children.begin(), children.end(),
              [](const Child& a, const Child& b) { return a.name < b.name; });
    for (const auto& [name, child] : children) {
        std::error_code status;
        const bool link = child.is_symlink(status);
        const bool folderTarget = child.is_directory(status);
        if (folderTarget && link)
            continue;  // symbolic links to folders are not followed
        if (folderTarget)
            Walk(child.path(), out);
        else
            out.push_back({Bytes(child.path()), {}, siblings});
    }
}

}  // namespace

std::vector<QByteArray> SplitPathList(const QByteArray& bytes, bool nulSeparated) {
    std::vector<QByteArray> paths;
    for (const QByteArray& entry : bytes.split(nulSeparated ? '\0' : '\n')) {
        if (!entry.isEmpty())
            paths.push_back(entry);
    }
    return paths;
}

PathListResult ReadPathList(const QByteArray& listPath, bool nulSeparated) {
    const bool fromStdin = listPath == kListFromStdin;
    std::FILE* stream = fromStdin ? stdin : std::fopen(listPath.constData(), "rb");
    if (stream == nullptr)
        return {{}, CannotRead(listPath, errno)};
    QByteArray bytes;
    char chunk[kReadChunk];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0)
        bytes.append(chunk, static_cast<qsizetype>(got));
    const int readError = std::ferror(stream) != 0 ? errno : 0;
    if (!fromStdin)
        std::fclose(stream);
    if (readError != 0)
        return {{}, CannotRead(listPath, readError)};
    return {SplitPathList(bytes, nulSeparated), {}};
}

std::vector<CatalogEntry> ExpandPaths(const std::vector<QByteArray>& given, bool recursive) {
    std::vector<CatalogEntry> entries;
    for (const QByteArray& path : given) {
        std::error_code error;
        if (recursive && fs::is_directory(fs::path(path.toStdString()), error))
            Walk(fs::path(path.toStdString()), entries);
        else
            entries.push_back({path, {}, {}});
    }
    return entries;
}
