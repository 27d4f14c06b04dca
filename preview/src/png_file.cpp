#include "png_file.h"

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>

#include <cpl_vsi.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>

#include "output_file.h"

namespace {

constexpr int kRgbaBands = 4;
constexpr int kAlphaBand = 4;
// Each PNG is made in memory under a name of its own, then written out whole.
std::atomic<unsigned> memoryFileCounter{0};

Error<PreviewCode> CannotWrite(const std::string& path, const std::string& reason) {
    return MakeError(PreviewCode::kCannotWrite, "cannot write " + path + ": " + reason);
}

// The pixels as a dataset in memory, band 4 marked as alpha so that resampling weighs by it.
GDALDatasetH MemoryDataset(const std::uint32_t* pixels, PictureSize size) {
    GDALDatasetH memory = GDALCreate(GDALGetDriverByName("MEM"), "", size.columns, size.rows,
                                     kRgbaBands, GDT_Byte, nullptr);
    if (memory == nullptr)
        return nullptr;
    int bandOrder[kRgbaBands] = {1, 2, 3, 4};
    const CPLErr status = GDALDatasetRasterIO(
        memory, GF_Write, 0, 0, size.columns, size.rows, const_cast<std::uint32_t*>(pixels),
        size.columns, size.rows, GDT_Byte, kRgbaBands, bandOrder, kRgbaBands,
        static_cast<GSpacing>(size.columns) * kRgbaBands, 1);
    GDALSetRasterColorInterpretation(GDALGetRasterBand(memory, kAlphaBand), GCI_AlphaBand);
    if (status != CE_None) {
        GDALClose(memory);
        return nullptr;
    }
    return memory;
}

// GDAL's translation into PNG, resampled to `pngSize` when it differs from the dataset's.
GDALDatasetH TranslateToPng(const char* target, GDALDatasetH memory, PictureSize size,
                            PictureSize pngSize) {
    CPLStringList arguments;
    arguments.AddString("-of");
    arguments.AddString("PNG");
    if (pngSize.columns != size.columns || pngSize.rows != size.rows) {
        arguments.AddString("-outsize");
        arguments.AddString(std::to_string(pngSize.columns).c_str());
        arguments.AddString(std::to_string(pngSize.rows).c_str());
        arguments.AddString("-r");
        arguments.AddString("bilinear");
    }
    GDALTranslateOptions* options = GDALTranslateOptionsNew(arguments.List(), nullptr);
    if (options == nullptr)
        return nullptr;
    GDALDatasetH png = GDALTranslate(target, memory, options, nullptr);
    GDALTranslateOptionsFree(options);
    return png;
}

// Puts the PNG GDAL made in memory in the target's place.
PreviewStatus WriteOut(const std::string& path, const GByte* bytes, vsi_l_offset length) {
    OutputFile file;
    WriteStatus written = file.Create(path, nullptr, ExistingTarget::kReplace);
    if (written)
        written = file.WriteAt(0, bytes, static_cast<std::size_t>(length));
    if (written)
        written = file.Commit();
    if (written)
        return {};
    if (written.code() == WriteCode::kTargetRefused)
        return MakeError(PreviewCode::kOutputRefused, written.message());
    return MakeError(PreviewCode::kCannotWrite, written.message());
}

}  // namespace

PictureSize ScaledToLongestSide(PictureSize picture, int longestSide) {
    const int longer = std::max(picture.columns, picture.rows);
    if (longer <= 0)
        return picture;
    const auto side = [&](int length) {
        return std::max(
            1, static_cast<int>(std::lround(static_cast<double>(length) * longestSide / longer)));
    };
    return {side(picture.columns), side(picture.rows)};
}

// GDAL is already loaded for the report, so its PNG driver costs tarnview-info nothing at start-up.
PreviewStatus WriteRgbaPng(const std::string& path, const std::uint32_t* pixels, PictureSize size,
                           PictureSize pngSize) {
    const std::string memoryPath =
        "/vsimem/tarnview-png-" + std::to_string(memoryFileCounter++) + ".png";
    bool haveMemory = false;
    bool made = false;
    std::string gdalError;
    {
        // GDAL's own printing is silenced: its message is ours to give, once.
        CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
        CPLErrorReset();
        GDALDatasetH memory = MemoryDataset(pixels, size);
        GDALDatasetH png =
            memory != nullptr ? TranslateToPng(memoryPath.c_str(), memory, size, pngSize) : nullptr;
        gdalError = CPLGetLastErrorMsg();
        haveMemory = memory != nullptr;
        made = png != nullptr;
        if (png != nullptr)
            GDALClose(png);
        if (memory != nullptr)
            GDALClose(memory);
    }
    vsi_l_offset length = 0;
    GByte* bytes = VSIGetMemFileBuffer(memoryPath.c_str(), &length, TRUE);
    PreviewStatus status = made && bytes != nullptr
                               ? WriteOut(path, bytes, length)
                               : CannotWrite(path, haveMemory ? gdalError : "not enough memory");
    CPLFree(bytes);
    VSIUnlink(memoryPath.c_str());
    return status;
}
