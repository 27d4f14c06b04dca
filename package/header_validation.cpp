// The checks of a package header, in the order in which they decide.
#include "package_messages.h"
#include "package_reader.h"

namespace {

constexpr int kValid = 0;
constexpr int kBadSignature = -1;
constexpr int kBadTopLevel = -2;
constexpr int kBadHeaderLength = -3;

}  // namespace

int PackageReader::ValidateHeader() {
    if (header.size() < kTileIndexOffset ||
        LoadU32(header.data() + kMagicOffset) != kPackageMagic ||
        LoadU32(header.data() + kMagic2Offset) < kMinPackageMagic2) {
        errorText = PackageMessageText(PackageMessage::kBadSignature);
        return kBadSignature;
    }
    const int topLevel = FindTopLevel(Width(), Height());
    if (topLevel < 0 || TopLevel() != static_cast<std::uint32_t>(topLevel)) {
        errorText = PackageMessageText(PackageMessage::kBadPyramid);
        return kBadTopLevel;
    }
    if (HeaderLength() != ExpectedHeaderLength(Width(), Height(), topLevel)) {
        errorText = PackageMessageText(PackageMessage::kBadIndexLength);
        return kBadHeaderLength;
    }
    return kValid;
}
