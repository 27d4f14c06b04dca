#include "path_list.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "remote_walk.h"
#include "virtual_path.h"

namespace fs = std::filesystem;

namespace {

constexpr char kListFromStdin[] = "-";
constexpr std::size_t kReadChunk = 64 * 1024;

Error<CatalogCode> CannotRead(const std::string& listPath, int error) {
    return MakeError(CatalogCode::kCannotReadList,
                     "cannot read the list " + listPath + ": " + std::strerror(error));
}

std::string Bytes(const fs::path& path) {
    return path.native();
}

std::string CannotList(const std::error_code& error) {
    std::string message = "cannot list the folder: ";
    message += error.message();
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

std::vector<std::string> SplitPathList(const std::string& bytes, bool nulSeparated) {
    std::vector<std::string> paths;
    const char separator = nulSeparated ? '\0' : '\n';
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find(separator, start);
        if (end == std::string::npos)
            end = bytes.size();
        if (end > start)
            paths.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

Result<std::vector<std::string>, CatalogCode> ReadPathList(const std::string& listPath,
                                                           bool nulSeparated) {
    const bool fromStdin = listPath == kListFromStdin;
    std::FILE* stream = fromStdin ? stdin : std::fopen(listPath.c_str(), "rb");
    if (stream == nullptr)
        return CannotRead(listPath, errno);
    std::string bytes;
    char chunk[kReadChunk];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0)
        bytes.append(chunk, got);
    const int readError = std::ferror(stream) != 0 ? errno : 0;
    if (!fromStdin)
        std::fclose(stream);
    if (readError != 0)
        return CannotRead(listPath, readError);
    return SplitPathList(bytes, nulSeparated);
}

int DefaultCatalogJobs(const std::vector<CatalogEntry>& entries, int processors) {
    const bool remote = std::any_of(entries.begin(), entries.end(), [](const CatalogEntry& entry) {
        return IsRemotePath(VirtualPath(entry.path));
    });
    return remote ? kRemoteCatalogJobs : processors;
}

std::vector<CatalogEntry> ExpandPaths(const std::vector<std::string>& given, bool recursive) {
    std::vector<CatalogEntry> entries;
    for (const std::string& path : given) {
        std::error_code error;
        if (recursive && IsRemotePath(VirtualPath(path)))
            WalkRemote(path, entries);
        else if (recursive && fs::is_directory(fs::path(path), error))
            Walk(fs::path(path), entries);
        else
            entries.push_back({path, {}, {}});
    }
    return entries;
}
