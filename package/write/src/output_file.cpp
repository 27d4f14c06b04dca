#include "output_file.h"

#include <cerrno>

#include "temporary_names.h"
#include "temporary_registry.h"

namespace {

constexpr int kNameAttempts = 100;

}  // namespace

OutputFile::~OutputFile() {
    Abandon();
}

void OutputFile::Abandon() {
    if (file_.IsValid()) {
        CloseFile(file_);
        RemoveFile(temporaryPath_);
    }
    UnregisterTemporary(registrySlot_);
    registrySlot_ = -1;
}

WriteStatus OutputFile::Create(const std::string& targetPath, WriteAtFunction writeAt,
                               ExistingTarget existing) {
    targetPath_ = targetPath;
    existing_ = existing;
    writeAt_ = writeAt ? std::move(writeAt) : WriteAtFunction(WriteBytesAt);
    RemoveStaleTemporaries(targetPath);
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        temporaryPath_ = TemporaryPathFor(targetPath);
        error = CreateNewFile(temporaryPath_, file_);
    }
    if (error != 0) {
        return MakeError(WriteCode::kFileFailed,
                         "cannot create " + temporaryPath_ + ": " + ErrorText(error));
    }
    registrySlot_ = RegisterTemporary(temporaryPath_);
    return {};
}

WriteStatus OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    const int error = writeAt_(file_, offset, data, size);
    if (error != 0) {
        return MakeError(WriteCode::kFileFailed,
                         "cannot write " + temporaryPath_ + ": " + ErrorText(error));
    }
    return {};
}

WriteStatus OutputFile::Commit() {
    int error = SyncFile(file_);
    if (error != 0) {
        Abandon();
        return MakeError(WriteCode::kFileFailed,
                         "cannot write " + temporaryPath_ + ": " + ErrorText(error));
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
            return MakeError(WriteCode::kFileFailed, "cannot give " + temporaryPath_ +
                                                         " the permissions of " + targetPath_ +
                                                         ": " + ErrorText(error));
        }
    }
    CloseFile(file_);
    error = existing_ == ExistingTarget::kReplace
                ? RenameFile(temporaryPath_, targetPath_)
                : RenameWithoutReplacing(temporaryPath_, targetPath_);
    if (error != 0) {
        RemoveFile(temporaryPath_);
        UnregisterTemporary(registrySlot_);
        registrySlot_ = -1;
        if (error == EEXIST) {
            return MakeError(WriteCode::kTargetRefused,
                             targetPath_ + " appeared while it was written; it is left as it is");
        }
        return MakeError(WriteCode::kFileFailed, "cannot rename " + temporaryPath_ + " to " +
                                                     targetPath_ + ": " + ErrorText(error));
    }
    UnregisterTemporary(registrySlot_);
    registrySlot_ = -1;
    return {};
}
