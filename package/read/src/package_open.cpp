// Opening a package (source, header, checks, level tables) and closing it again.
#include <algorithm>
#include <new>
#include <optional>

#include "package_layout.h"
#include "package_messages.h"
#include "package_reader.h"

namespace {

void Fail(std::string& errorText, PackageMessage message) {
    errorText = PackageMessageText(message);
}

void BuildLevelTables(PackageReader& reader, const PackageLayout& layout) {
    for (int level = 0; level < layout.LevelCount(); ++level) {
        reader.levelBase[level] = static_cast<std::int32_t>(layout.levelBase[level]);
        reader.levelRows[level] = static_cast<std::int32_t>(layout.tileRows[level]);
        reader.levelColumns[level] = static_cast<std::int32_t>(layout.tileColumns[level]);
    }
    reader.indexEnd = IndexEntryOffset(layout.entryCount);
}

// Reads the index beyond the header's first kMinHeaderLength bytes, as far as the image's entries
// go and no further than kMaxHeldHeaderBytes; entries past that are read from the source when
// asked for. The source must still hold the whole declared header. A header the memory cannot hold
// is refused rather than ending the process.
std::optional<PackageMessage> ReadHeaderRest(PackageReader& reader) {
    const std::uint32_t headerLength = reader.HeaderLength();
    const std::optional<std::uint64_t> size = reader.source->Size();
    if (size) {
        if (*size < headerLength) {
            return PackageMessage::kHeaderRestShort;
        }
    } else {
        std::uint8_t last = 0;
        const ReadResult read = reader.source->ReadAt(headerLength - 1, &last, 1);
        if (!read.ok || read.count != 1) {
            return PackageMessage::kHeaderRestShort;
        }
    }
    const std::uint64_t held = std::min<std::uint64_t>(reader.indexEnd, kMaxHeldHeaderBytes);
    if (held <= kMinHeaderLength) {
        return std::nullopt;
    }
    try {
        reader.header.resize(static_cast<std::size_t>(held), 0);
    } catch (const std::bad_alloc&) {
        return PackageMessage::kHeaderNoMemory;
    }
    const std::size_t restSize = static_cast<std::size_t>(held) - kMinHeaderLength;
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

    BuildLevelTables(*reader, MakePackageLayout(reader->Width(), reader->Height()));
    if (reader->HeaderLength() > kMinHeaderLength) {
        if (const std::optional<PackageMessage> failure = ReadHeaderRest(*reader)) {
            Fail(errorText, *failure);
            return nullptr;
        }
    }
    return reader.release();
}

void ClosePackage(PackageReader* reader) {
    reader->source.reset();
    reader->errorText.clear();
    reader->header.clear();
    delete reader;
}
