// The checks a package header must pass before anything else of the file is trusted, in the order
// in which they decide. They need only the first kFixedFieldsSize bytes, so a caller can test a
// file's opening bytes as cheaply as a whole header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package_format.h"

// Bytes of the header that the checks read: the signature, sizes, topLevel and headerLength.
inline constexpr std::size_t kCheckedFieldsSize = kHeaderLengthOffset + 4;

// The values are the reader's ValidateHeader results.
enum class HeaderCheck {
    kValid = 0,
    kBadSignature = -1,     // wrong magic or magic2, or fewer bytes than the checks read
    kBadTopLevel = -2,      // topLevel does not fit width and height, or no level up to 15 does
    kBadHeaderLength = -3,  // headerLength differs from ExpectedHeaderLength
};

HeaderCheck CheckHeader(const std::uint8_t* header, std::size_t size);
