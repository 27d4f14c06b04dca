#include "package_reader.h"
#include "sidecar_tie.h"

std::optional<std::string> ReaderFingerprint(PackageReader& reader) {
    const std::optional<std::uint64_t> size = reader.source ? reader.source->Size() : std::nullopt;
    if (!size || reader.header.size() < kMinHeaderLength) {
        return std::nullopt;
    }
    return PackageFingerprint(*size, reader.header.data());
}
