// Opening a package (source, header, checks, level tables) and closing it again.
#include <new>
#include <optional>

#include "package_layout.h"
#include "package_messages.h"
#include "package_reader.h"

namespace {

void Fail(std::string& errorText, PackageMessage message) {
    errorText = PackageMessageText(message);
}

void BuildLevelTables(PackageReader& reader) {
    const PackageLayout layout = MakePackageLayout(reader.Width(), reader.Height());
    for (int level = 0; level < layout.LevelCount(); ++level) {
        reader.levelBase[level] = static_cast<std::int32_t>(layout.levelBase[level]);
        reader.levelRows[level] = static_cast<std::int32_t>(layout.tileRows[level]);
        reader.levelColumns[level] = static_cast<std::int32_t>(layout.tileColumns[level]);
    }
}

// Reads the part of a header beyond its first kMinHeaderLength bytes. A source too short to hold
// it is refused before the header buffer grows, so a forged headerLength costs no memory; a
// header the memory cannot hold is refused rather than ending the process.
std::optional<PackageMessage> ReadHeaderRest(PackageReader& reader) {
    const std::uint32_t headerLength = reader.HeaderLength();
    const std::optional<std::uint64_t> size = reader.source->Size();
    if (size && *size < headerLength) {
        return PackageMessage::kHeaderRestShort;
    }
    try {
        reader.header.resize(headerLength, 0);
    } catch (const std::bad_alloc&) {
        return PackageMessage::kHeaderNoMemory;
    }
    const std::size_t restSize = headerLength - kMinHeaderLength;
    const ReadResult rest =
        reader.source->ReadAt(kMinHeaderLength, reader.header.data() + kMinHeaderLength, restSize);
    if (!rest.ok || rest.count != restSize) {
        return PackageMessage::kHeaderRestShort;
    }
    return std::nullopt;
}

}  // namespace

PackageReader* OpenPackage(std::string path, std::string& errorText) {
    return OpenPackage(OpenFileByteSource(path), errorText);
}

PackageReader* OpenPackage(std::unique_ptr<ByteSource> source, std::string& errorText) {
    // Closes whatever was built so far when an open gives up, allocation failures included.
    PackageHandle reader(new PackageReader);

    reader->source = std::move(source);
    if (!reader->source) {
        Fail(errorText, PackageMessage::kOpenFailed);
        return nullptr;
    }

    reader->header.assign(kMinHeaderLength, 0);
    const ReadResult first = reader->source->ReadAt(0, reader->header.data(), kMinHeaderLength);
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

    if (reader->HeaderLength() > kMinHeaderLength) {
        if (const std::optional<PackageMessage> failure = ReadHeaderRest(*reader)) {
            Fail(errorText, *failure);
            return nullptr;
        }
    }

    BuildLevelTables(*reader);
    return reader.release();
}

void ClosePackage(PackageReader* reader) {
    reader->source.reset();
    reader->errorText.clear();
    reader->header.clear();
    delete reader;
}
