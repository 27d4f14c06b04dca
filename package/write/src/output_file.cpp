#include "output_file.h"

#include <cerrno>

#include "temporary_names.h"
#include "temporary_registry.h"

namespace {

constexpr int kNameAttempts = 100;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

OutputFile::~OutputFile() {
    Abandon();
}

void OutputFile::Unregister() {
    UnregisterTemporary(registrySlot_);
    registrySlot_ = -1;
}

void OutputFile::Abandon() {
    if (file_.IsValid()) {
        CloseFile(file_);
        if (!temporaryPath_.empty())
            RemoveFile(temporaryPath_);
    }
    Unregister();
}

WriteStatus OutputFile::Create(const std::string& targetPath, WriteAtFunction writeAt,
                               ExistingTarget existing) {
    targetPath_ = targetPath;
    existing_ = existing;
    writeAt_ = writeAt ? std::move(writeAt) : WriteAtFunction(WriteBytesAt);
    RemoveStaleTemporaries(targetPath);
    temporaryPath_.clear();
    if (CreateUnnamedFile(FolderOf(targetPath), file_) == 0) {
        // Locked before it may get a temporary name, so that no other run takes it for stale.
        if (LockFile(file_) == 0)
            return {};
        CloseFile(file_);
    }
    return CreateNamed();
}

WriteStatus OutputFile::CreateNamed() {
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        temporaryPath_ = TemporaryPathFor(targetPath_);
        error = CreateNewFile(temporaryPath_, file_);
        // Between the creation and the lock another run may take the file for stale and remove
        // it: the name must still be this file's once it is locked.
        if (error == 0 && (LockFile(file_) != 0 || !NamesOpenFile(temporaryPath_, file_))) {
            CloseFile(file_);
            error = EEXIST;
        }
    }
    if (error != 0) {
        return MakeError(WriteCode::kFileFailed,
                         "cannot create a file beside " + targetPath_ + ": " + ErrorText(error));
    }
    registrySlot_ = RegisterTemporary(temporaryPath_);
    return {};
}

WriteStatus OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    const int error = writeAt_(file_, offset, data, size);
    if (error != 0) {
        return MakeError(WriteCode::kFileFailed,
                         "cannot write " + targetPath_ + ": " + ErrorText(error));
    }
    return {};
}

int OutputFile::LinkUnnamed() {
    if (existing_ == ExistingTarget::kKeep)
        return LinkUnnamedFile(file_, targetPath_);
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        temporaryPath_ = TemporaryPathFor(targetPath_);
        registrySlot_ = RegisterTemporary(temporaryPath_);
        error = LinkUnnamedFile(file_, temporaryPath_);
        if (error != 0) {
            Unregister();
            temporaryPath_.clear();
        }
    }
    return error;
}

WriteStatus OutputFile::Commit() {
    int error = SyncFile(file_);
    if (error != 0) {
        Abandon();
        return MakeError(WriteCode::kFileFailed,
                         "cannot write " + targetPath_ + ": " + ErrorText(error));
    }
    if (existing_ == ExistingTarget::kReplace) {
        // rename() replaces a symbolic link itself, never what it points to; anything but a
        // regular file is refused, and a replaced file keeps its permission bits.
        const PathKind target = LinkStatus(targetPath_);
        if (target.exists && !target.regularFile) {
            Abandon();
            return MakeError(
                WriteCode::kTargetRefused,
                targetPath_ + " is not a regular file; only a regular file is replaced");
        }
        if (target.exists && (error = SetPermissions(file_, target.permissions)) != 0) {
            Abandon();
            return MakeError(
                WriteCode::kFileFailed,
                "cannot give " + targetPath_ + " its own permissions back: " + ErrorText(error));
        }
    }
    // The file stays open, its lock held, until it has its place.
    const bool unnamed = temporaryPath_.empty();
    error = unnamed ? LinkUnnamed() : 0;
    if (error == 0 && !(unnamed && existing_ == ExistingTarget::kKeep)) {
        error = existing_ == ExistingTarget::kReplace
                    ? RenameFile(temporaryPath_, targetPath_)
                    : RenameWithoutReplacing(temporaryPath_, targetPath_);
    }
    if (error != 0) {
        Abandon();
        if (error == EEXIST) {
            return MakeError(WriteCode::kTargetRefused,
                             targetPath_ + " appeared while it was written; it is left as it is");
        }
        return MakeError(WriteCode::kFileFailed,
                         "cannot write " + targetPath_ + ": " + ErrorText(error));
    }
    CloseFile(file_);
    Unregister();
    return {};
}
