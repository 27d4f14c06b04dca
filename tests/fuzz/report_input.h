// How a report target's input becomes the file it reports on. An input that starts like a TIFF or
// PNG file is that raster, byte for byte, named for its kind; anything else is a package in the
// package fuzzer's input form (fuzz_input.h), named ".qvrmp". Rasters and packages mutate into
// their own kind, so one corpus serves both readers.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"

struct ReportFile {
    std::string name;  // a file name whose extension picks the reader
    std::vector<std::uint8_t> bytes;
};

inline constexpr std::array<std::uint8_t, 4> kTiffLittleEndian = {'I', 'I', 42, 0};
inline constexpr std::array<std::uint8_t, 4> kTiffBigEndian = {'M', 'M', 0, 42};
inline constexpr std::array<std::uint8_t, 4> kBigTiffLittleEndian = {'I', 'I', 43, 0};
inline constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P',  'N',  'G',
                                                              '\r', '\n', 0x1A, '\n'};

template <std::size_t N>
bool StartsWith(const std::uint8_t* data, std::size_t size,
                const std::array<std::uint8_t, N>& magic) {
    return size >= N && std::memcmp(data, magic.data(), N) == 0;
}

inline ReportFile ReportFileFromFuzzInput(const std::uint8_t* data, std::size_t size) {
    if (StartsWith(data, size, kTiffLittleEndian) || StartsWith(data, size, kTiffBigEndian) ||
        StartsWith(data, size, kBigTiffLittleEndian)) {
        return {"input.tif", std::vector<std::uint8_t>(data, data + size)};
    }
    if (StartsWith(data, size, kPngSignature)) {
        return {"input.png", std::vector<std::uint8_t>(data, data + size)};
    }
    return {"input.qvrmp", PackageFromFuzzInput(data, size)};
}
