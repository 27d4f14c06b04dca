#include "output_target.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace {

PackStatus Refused(std::string message) {
    return MakeError(PackCode::kOutputRefused, std::move(message));
}

bool SameFile(const fs::path& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, fs::path(b), error) && !error;
}

}  // namespace

PackStatus CheckOutputTarget(const std::string& output, bool force,
                             const std::vector<std::string>& inputFiles) {
    const fs::path path(output);
    if (output.empty() || !path.has_filename()) {
        return Refused("OUTPUT \"" + output + "\" names no file");
    }
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    const fs::file_status linkStatus = fs::symlink_status(path, error);
    if (fs::is_symlink(linkStatus)) {
        return Refused(output + " is a symbolic link; choose the file itself or another OUTPUT");
    }
    if (fs::exists(status)) {
        if (fs::is_directory(status)) {
            return Refused(output + " is a folder");
        }
        for (const std::string& file : inputFiles) {
            if (SameFile(path, file)) {
                return Refused(output + " is the input itself; choose another OUTPUT");
            }
        }
        if (!force) {
            return Refused(output + " exists; --force replaces it");
        }
        if (!fs::is_regular_file(status)) {
            return Refused(output + " is not a regular file; --force replaces only a regular file");
        }
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const fs::file_status folderStatus = fs::status(folder, error);
    if (!fs::exists(folderStatus)) {
        return Refused("the folder " + folder.string() + " does not exist");
    }
    if (!fs::is_directory(folderStatus)) {
        return Refused(folder.string() + " is not a folder");
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return Refused("cannot write into the folder " + folder.string() + ": " +
                       std::strerror(errno));
    }
    return {};
}
