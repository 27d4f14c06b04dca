#include "temporary_names.h"

#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "file_io.h"
#include "output_file.h"

namespace {

constexpr char kSuffix[] = ".tmp";
// FNV-1a, 32 bits: a short name for the target within its folder.
constexpr std::uint32_t kHashBasis = 2166136261u;
constexpr std::uint32_t kHashPrime = 16777619u;

std::atomic<unsigned> temporaryCounter{0};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string TemporaryNamePrefix(const std::string& targetPath) {
    std::uint32_t hash = kHashBasis;
    for (const char c : NameOf(targetPath)) {
        hash = (hash ^ static_cast<unsigned char>(c)) * kHashPrime;
    }
    char text[32];
    std::snprintf(text, sizeof text, ".qv-%08x-", static_cast<unsigned>(hash));
    return text;
}

std::string TemporaryPathFor(const std::string& targetPath) {
    return FolderOf(targetPath) + TemporaryNamePrefix(targetPath) + std::to_string(::getpid()) +
           "-" + std::to_string(temporaryCounter++) + kSuffix;
}

void RemoveStaleTemporaries(const std::string& targetPath) {
    const std::string folder = FolderOf(targetPath);
    const std::string prefix = TemporaryNamePrefix(targetPath);
    DIR* directory = ::opendir(folder.empty() ? "." : folder.c_str());
    if (directory == nullptr) {
        return;  // creating the temporary file will say what is wrong
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0) {
            stale.push_back(folder + name);
        }
    }
    ::closedir(directory);
    for (const std::string& path : stale) {
        RemoveUnlockedFile(path);  // a live writer holds its file's lock, whatever its process
    }
}
