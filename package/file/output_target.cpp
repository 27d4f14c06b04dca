#include "output_target.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Where the system cannot say (a folder that does not exist yet), the usual limit.
constexpr std::size_t kUsualNameLimit = NAME_MAX;

TargetStatus Refused(TargetCode code, std::string message) {
    return MakeError(code, std::move(message));
}

bool SameFile(const fs::path& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, fs::path(b), error) && !error;
}

fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// What is already at `path`, checked against the rules.
TargetStatus CheckExisting(const std::string& path, const TargetRules& rules) {
    const TargetWording& words = rules.wording;
    for (const std::string& file : rules.inputFiles) {
        if (SameFile(path, file)) {
            return Refused(TargetCode::kInputFile,
                           path + " is " + words.inputName + "; choose another " + words.role);
        }
    }
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path, error))) {
        return Refused(TargetCode::kSymbolicLink, path + " is a symbolic link; choose the file " +
                                                      "itself or another " + words.role);
    }
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return {};
    }
    if (fs::is_directory(status)) {
        return Refused(TargetCode::kFolder, path + " is a folder");
    }
    if (!rules.replaceRegularFile) {
        return Refused(
            TargetCode::kExists,
            path + " exists" +
                (words.forceOption.empty() ? "" : "; " + words.forceOption + " replaces it"));
    }
    if (!fs::is_regular_file(status)) {
        return Refused(
            TargetCode::kNotRegularFile,
            path + " is not a regular file; " +
                (words.forceOption.empty() ? "only a regular file is replaced"
                                           : words.forceOption + " replaces only a regular file"));
    }
    return {};
}

TargetStatus CheckFolder(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (!fs::exists(status)) {
        return Refused(TargetCode::kNoFolder, "the folder " + folder.string() + " does not exist");
    }
    if (!fs::is_directory(status)) {
        return Refused(TargetCode::kNoFolder, folder.string() + " is not a folder");
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return Refused(TargetCode::kNoFolder, "cannot write into the folder " + folder.string() +
                                                  ": " + std::strerror(errno));
    }
    return {};
}

}  // namespace

std::size_t FileNameLimit(const std::string& path) {
    const long limit = ::pathconf(FolderOf(fs::path(path)).c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : kUsualNameLimit;
}

TargetStatus CheckOutputTarget(const std::string& path, const TargetRules& rules) {
    const fs::path target(path);
    if (path.empty() || !target.has_filename()) {
        return Refused(TargetCode::kNoName, rules.wording.role + " \"" + path + "\" names no file");
    }
    const std::size_t nameLength = target.filename().native().size();
    if (const std::size_t limit = FileNameLimit(path); nameLength > limit) {
        return Refused(TargetCode::kNameTooLong,
                       path + " has a name of " + std::to_string(nameLength) +
                           " bytes; a file name can have at most " + std::to_string(limit));
    }
    if (TargetStatus existing = CheckExisting(path, rules); !existing) {
        return existing;
    }
    return CheckFolder(FolderOf(target));
}
