// How a report target's input becomes the file it reports on. An input that starts like a TIFF or
// PNG file is that raster, byte for byte, named for its kind; anything else is a package in the
// package fuzzer's input form (fuzz_input.h), named ".qvrmp". Rasters and packages mutate into
// their own kind, so one corpus serves both readers.
//
// A TIFF's band count is bounded by its size: a first directory that declares more than one band
// per kBytesPerTiffBand bytes of input declares that many instead. A few hundred bytes could
// otherwise declare 65,535 bands, whose report alone takes seconds under the sanitizers; a file
// that size still reports the bands it can back.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gdal.h>

#include "fuzz_gdal_drivers.h"
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

inline constexpr std::size_t kBytesPerTiffBand = 16;
inline constexpr std::uint16_t kTiffSamplesPerPixel = 277;
inline constexpr std::uint16_t kTiffShort = 3;

// Reads the unsigned integer of `bytes` bytes at `offset` in the file's byte order; false when it
// would pass the end.
inline bool ReadTiffNumber(const std::vector<std::uint8_t>& file, std::size_t offset,
                           std::size_t bytes, bool bigEndian, std::uint64_t& number) {
    if (offset > file.size() || bytes > file.size() - offset)
        return false;
    number = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        number |= std::uint64_t{file[offset + (bigEndian ? bytes - 1 - i : i)]} << (8 * i);
    return true;
}

// Lowers a SHORT SamplesPerPixel entry of the first directory to what the file's size backs.
inline void BoundTiffBandCount(std::vector<std::uint8_t>& file, bool bigTiff) {
    const bool bigEndian = file[0] == 'M';
    const std::size_t offsetBytes = bigTiff ? 8 : 4;
    const std::size_t entryBytes = bigTiff ? 20 : 12;
    std::uint64_t directory = 0;
    std::uint64_t entries = 0;
    if (!ReadTiffNumber(file, offsetBytes, offsetBytes, bigEndian, directory) ||
        !ReadTiffNumber(file, directory, offsetBytes / 2, bigEndian, entries))
        return;
    const std::uint64_t bound = std::max<std::uint64_t>(1, file.size() / kBytesPerTiffBand);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = directory + offsetBytes / 2 + i * entryBytes;
        std::uint64_t tag = 0;
        std::uint64_t type = 0;
        std::uint64_t bands = 0;
        if (!ReadTiffNumber(file, entry, 2, bigEndian, tag) ||
            !ReadTiffNumber(file, entry + 2, 2, bigEndian, type))
            return;
        const std::size_t valueAt = entry + 4 + offsetBytes;
        if (tag == kTiffSamplesPerPixel && type == kTiffShort &&
            ReadTiffNumber(file, valueAt, 2, bigEndian, bands) && bands > bound) {
            file[valueAt + (bigEndian ? 1 : 0)] = static_cast<std::uint8_t>(bound);
            file[valueAt + (bigEndian ? 0 : 1)] = static_cast<std::uint8_t>(bound >> 8);
        }
    }
}

template <std::size_t N>
bool StartsWith(const std::uint8_t* data, std::size_t size,
                const std::array<std::uint8_t, N>& magic) {
    return size >= N && std::memcmp(data, magic.data(), N) == 0;
}

// GDAL as the report targets need it: able to open the rasters made here, and nothing else.
inline void InitGdalForReportInputs() {
    GDALAllRegister();
    KeepOnlyGdalDrivers({"GTiff", "PNG"});
}

inline ReportFile ReportFileFromFuzzInput(const std::uint8_t* data, std::size_t size) {
    const bool bigTiff = StartsWith(data, size, kBigTiffLittleEndian);
    if (StartsWith(data, size, kTiffLittleEndian) || StartsWith(data, size, kTiffBigEndian) ||
        bigTiff) {
        ReportFile file{"input.tif", std::vector<std::uint8_t>(data, data + size)};
        BoundTiffBandCount(file.bytes, bigTiff);
        return file;
    }
    if (StartsWith(data, size, kPngSignature)) {
        return {"input.png", std::vector<std::uint8_t>(data, data + size)};
    }
    return {"input.qvrmp", PackageFromFuzzInput(data, size)};
}
