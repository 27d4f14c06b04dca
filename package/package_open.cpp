// Opening a package (file, header, checks, level tables) and closing it again.
#include <memory>

#include "package_messages.h"
#include "package_reader.h"

namespace {

struct ReaderCloser {
    void operator()(PackageReader* reader) const { ClosePackage(reader); }
};

// Closes whatever was built so far when an open gives up, allocation failures included.
using ReaderGuard = std::unique_ptr<PackageReader, ReaderCloser>;

void Fail(std::string& errorText, PackageMessage message) {
    errorText = PackageMessageText(message);
}

void BuildLevelTables(PackageReader& reader) {
    const std::uint32_t width = reader.Width();
    const std::uint32_t height = reader.Height();
    const int topLevel = static_cast<int>(reader.TopLevel());
    std::uint32_t total = 0;
    for (int level = 0; level <= topLevel; ++level) {
        const std::uint32_t rows = LevelTileCount(height, level);
        const std::uint32_t columns = LevelTileCount(width, level);
        reader.levelBase[level] = static_cast<std::int32_t>(total);
        reader.levelRows[level] = static_cast<std::int32_t>(rows);
        reader.levelColumns[level] = static_cast<std::int32_t>(columns);
        total += rows * columns;
    }
}

// Reads the part of a header beyond its first kMinHeaderLength bytes. A file too short to hold it
// is refused before the header buffer grows, so a forged headerLength costs no memory.
bool ReadHeaderRest(PackageReader& reader) {
    const std::uint32_t headerLength = reader.HeaderLength();
    std::uint64_t fileSize = 0;
    if (FileSize(reader.fileHandle, fileSize) && fileSize < headerLength) {
        return false;
    }
    reader.header.resize(headerLength, 0);
    const std::size_t restSize = headerLength - kMinHeaderLength;
    const ReadResult rest =
        ReadBytes(reader.fileHandle, reader.header.data() + kMinHeaderLength, restSize);
    return rest.ok && rest.count == restSize;
}

}  // namespace

PackageReader* OpenPackage(std::string path, std::string& errorText) {
    ReaderGuard reader(new PackageReader);

    reader->fileHandle = OpenReadOnly(path);
    if (!reader->fileHandle.IsValid()) {
        Fail(errorText, PackageMessage::kOpenFailed);
        return nullptr;
    }

    reader->header.assign(kMinHeaderLength, 0);
    const ReadResult first = ReadBytes(reader->fileHandle, reader->header.data(), kMinHeaderLength);
    if (!first.ok) {
        Fail(errorText, PackageMessage::kHeaderReadFailed);
        return nullptr;
    }
    if (first.count < kMinHeaderLength) {
        Fail(errorText, PackageMessage::kHeaderTooShort);
        return nullptr;
    }

    if (reader->ValidateHeader() != 0) {
        errorText = reader->errorText;
        return nullptr;
    }

    if (reader->HeaderLength() > kMinHeaderLength && !ReadHeaderRest(*reader)) {
        Fail(errorText, PackageMessage::kHeaderRestShort);
        return nullptr;
    }

    BuildLevelTables(*reader);
    return reader.release();
}

void ClosePackage(PackageReader* reader) {
    CloseFile(reader->fileHandle);
    reader->errorText.clear();
    reader->header.clear();
    delete reader;
}
