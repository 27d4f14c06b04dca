// How a fuzz input becomes a package file. Packages are at least 64 KiB, mostly zeros, so an input
// carries only the bytes that matter:
//   bytes 0-1  length P of the header prefix (little-endian)
//   byte  2    gap G: the rest of the input lands at file offset max(P, 65536 + 4096 x (G % 64))
//   then       P bytes of header prefix, then the bytes of the tile blocks
// Everything between the prefix and the blocks is zero.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr std::size_t kFuzzInputHead = 3;
inline constexpr std::size_t kFuzzMinTailOffset = 65536;
inline constexpr std::size_t kFuzzGapUnit = 4096;
inline constexpr std::size_t kFuzzGapSteps = 64;

inline std::vector<std::uint8_t> PackageFromFuzzInput(const std::uint8_t* data, std::size_t size) {
    if (size < kFuzzInputHead) {
        return std::vector<std::uint8_t>(data, data + size);
    }
    const std::size_t prefix =
        std::min<std::size_t>(size - kFuzzInputHead, data[0] | std::size_t{data[1]} << 8);
    const std::size_t tailOffset =
        std::max(prefix, kFuzzMinTailOffset + kFuzzGapUnit * (data[2] % kFuzzGapSteps));
    const std::uint8_t* tail = data + kFuzzInputHead + prefix;
    const std::size_t tailSize = size - kFuzzInputHead - prefix;
    std::vector<std::uint8_t> file(tailOffset + tailSize, 0);
    std::copy(data + kFuzzInputHead, tail, file.begin());
    std::copy(tail, tail + tailSize, file.begin() + static_cast<std::ptrdiff_t>(tailOffset));
    return file;
}

// The reverse, for seeds: a package whose blocks start at `tailOffset` (a valid gap) as an input.
inline std::vector<std::uint8_t> FuzzInputFromPackage(const std::vector<std::uint8_t>& file,
                                                      std::size_t tailOffset) {
    std::size_t prefix = std::min(file.size(), tailOffset);
    while (prefix > 0 && file[prefix - 1] == 0) {
        --prefix;
    }
    std::vector<std::uint8_t> input = {
        static_cast<std::uint8_t>(prefix), static_cast<std::uint8_t>(prefix >> 8),
        static_cast<std::uint8_t>((tailOffset - kFuzzMinTailOffset) / kFuzzGapUnit)};
    input.insert(input.end(), file.begin(), file.begin() + static_cast<std::ptrdiff_t>(prefix));
    if (file.size() > tailOffset) {
        input.insert(input.end(), file.begin() + static_cast<std::ptrdiff_t>(tailOffset),
                     file.end());
    }
    return input;
}
