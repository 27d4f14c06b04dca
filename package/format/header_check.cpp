#include "header_check.h"

#include "package_layout.h"

HeaderCheck CheckHeader(const std::uint8_t* header, std::size_t size) {
    if (size < kCheckedFieldsSize || LoadU32(header + kMagicOffset) != kPackageMagic ||
        LoadU32(header + kMagic2Offset) < kMinPackageMagic2) {
        return HeaderCheck::kBadSignature;
    }
    const std::uint32_t width = LoadU32(header + kWidthOffset);
    const std::uint32_t height = LoadU32(header + kHeightOffset);
    const int topLevel = FindTopLevel(width, height);
    if (topLevel < 0 || LoadU32(header + kTopLevelOffset) != static_cast<std::uint32_t>(topLevel)) {
        return HeaderCheck::kBadTopLevel;
    }
    if (LoadU32(header + kHeaderLengthOffset) != ExpectedHeaderLength(width, height, topLevel)) {
        return HeaderCheck::kBadHeaderLength;
    }
    return HeaderCheck::kValid;
}
