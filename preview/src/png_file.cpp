#include "png_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "file_io.h"
#include "output_target.h"

namespace {

constexpr int kRgbaBands = 4;
constexpr int kAlphaBand = 4;
constexpr mode_t kNewFileMode = 0666;
constexpr char kPartialSuffix[] = ".partial-XXXXXX";

// A name of its own beside the target, so that two exports to one file never share it: the
// target's name, shortened where the suffix would make it longer than the folder takes.
std::string PartialPathFor(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t suffixLength = sizeof kPartialSuffix - 1;
    const std::size_t limit = FileNameLimit(path);
    std::string partial = path;
    if (limit > suffixLength && partial.size() - nameStart + suffixLength > limit)
        partial.resize(nameStart + limit - suffixLength);
    return partial + kPartialSuffix;
}

Error<PreviewCode> CannotWrite(const std::string& path, const std::string& reason) {
    return MakeError(PreviewCode::kCannotWrite, "cannot write " + path + ": " + reason);
}

std::string SystemError(int error) {
    return std::strerror(error);
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
    std::string partial = PartialPathFor(path);
    const int descriptor = ::mkstemp(partial.data());
    if (descriptor < 0)
        return CannotWrite(path, SystemError(errno));
    // mkstemp makes the file private; the picture gets the mode any new file of the user gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, kNewFileMode & ~mask);
    ::close(descriptor);

    bool haveMemory = false;
    bool written = false;
    std::string gdalError;
    {
        // GDAL's own printing is silenced: its message is ours to give, once.
        CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
        CPLErrorReset();
        GDALDatasetH memory = MemoryDataset(pixels, size);
        GDALDatasetH png =
            memory != nullptr ? TranslateToPng(partial.c_str(), memory, size, pngSize) : nullptr;
        gdalError = CPLGetLastErrorMsg();
        haveMemory = memory != nullptr;
        written = png != nullptr;
        if (png != nullptr)
            GDALClose(png);
        if (memory != nullptr)
            GDALClose(memory);
    }
    if (!written) {
        ::unlink(partial.c_str());
        return CannotWrite(path, haveMemory ? gdalError : "not enough memory");
    }
    // rename() would replace whatever is there; what came in its place meanwhile is kept.
    if (const PathKind target = LinkStatus(path); target.exists && !target.regularFile) {
        ::unlink(partial.c_str());
        return MakeError(PreviewCode::kOutputRefused,
                         path + " is not a regular file; only a regular file is replaced");
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(partial.c_str());
        return CannotWrite(path, SystemError(error));
    }
    return {};
}
