#include "output_file.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

constexpr int kNameAttempts = 100;

std::atomic<unsigned> temporaryCounter{0};

std::string TemporaryName(const std::string& targetPath) {
    return targetPath + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(temporaryCounter++);
}

}  // namespace

OutputFile::~OutputFile() {
    Abandon();
}

void OutputFile::Abandon() {
    if (file_.IsValid()) {
        CloseFile(file_);
        RemoveFile(temporaryPath_);
    }
}

std::string OutputFile::Create(const std::string& targetPath, WriteAtFunction writeAt) {
    targetPath_ = targetPath;
    writeAt_ = writeAt ? std::move(writeAt) : WriteAtFunction(WriteBytesAt);
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        temporaryPath_ = TemporaryName(targetPath);
        error = CreateNewFile(temporaryPath_, file_);
    }
    if (error != 0) {
        return "cannot create " + temporaryPath_ + ": " + ErrorText(error);
    }
    return {};
}

std::string OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    const int error = writeAt_(file_, offset, data, size);
    if (error != 0) {
        return "cannot write " + temporaryPath_ + ": " + ErrorText(error);
    }
    return {};
}

std::string OutputFile::Commit() {
    int error = SyncFile(file_);
    if (error != 0) {
        Abandon();
        return "cannot write " + temporaryPath_ + ": " + ErrorText(error);
    }
    CloseFile(file_);
    error = RenameFile(temporaryPath_, targetPath_);
    if (error != 0) {
        RemoveFile(temporaryPath_);
        return "cannot rename " + temporaryPath_ + " to " + targetPath_ + ": " + ErrorText(error);
    }
    return {};
}
