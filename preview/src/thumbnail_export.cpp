#include "thumbnail_export.h"

#include <cpl_vsi.h>
#include <cpl_vsi_error.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "output_target.h"
#include "package_thumbnail.h"
#include "png_file.h"
#include "thumbnail_picture.h"
#include "virtual_path.h"

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;  // the alpha byte of an R, G, B, A pixel

// An existing picture is the export's own to replace; anything else that is not a regular file,
// and the package itself, are refused.
PreviewStatus CheckOut(const std::string& packagePath, const std::string& outPath) {
    TargetRules rules;
    rules.inputFiles = {packagePath};
    rules.replaceRegularFile = true;
    rules.wording = TargetWording{"OUT", "the package itself", ""};
    const TargetStatus target = CheckOutputTarget(outPath, rules);
    if (!target)
        return MakeError(target.code() == TargetCode::kInputFile ? PreviewCode::kSamePath
                                                                 : PreviewCode::kOutputRefused,
                         target.message());
    return {};
}

// What the system says about opening the path, for a package that did not open.
std::string SystemReason(const std::string& path) {
    if (IsVirtualPath(VirtualPath(path)))
        return VSIGetLastErrorMsg();
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return std::strerror(errno);
    struct stat status {};
    const bool regular = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    ::close(descriptor);
    return regular ? std::string() : "not a regular file";
}

// The preview's own message, then why in plain words.
Error<PreviewCode> NoThumbnail(PreviewCode code, const std::string& reason) {
    return MakeError(code, std::string(kThumbnailFailedMessage) + ' ' + reason);
}

std::string PackageSize(const PackageThumbnail& thumbnail) {
    return std::to_string(thumbnail.width) + " x " + std::to_string(thumbnail.height) + " pixels";
}

// The picture as the preview window shows it: every pixel opaque.
std::vector<std::uint32_t> OpaqueView(const PackageThumbnail& thumbnail) {
    std::vector<std::uint32_t> view =
        CompositeOverCheckerboard(thumbnail.pixels.data(), thumbnail.columns, thumbnail.rows);
    for (std::uint32_t& pixel : view) {
        unsigned char bytes[4];
        std::memcpy(bytes, &pixel, sizeof bytes);
        bytes[3] = kOpaque >> 24;
        std::memcpy(&pixel, bytes, sizeof bytes);
    }
    return view;
}

std::string UnreadTiles(const PackageThumbnail& thumbnail) {
    return "some tiles could not be read (region read result " +
           std::to_string(thumbnail.readResult) + ")";
}

}  // namespace

PreviewResult<ExportedThumbnail> ExportThumbnail(const std::string& packagePath,
                                                 const std::string& outPath, ThumbnailKind kind,
                                                 int longestSide) {
    if (PreviewStatus out = CheckOut(packagePath, outPath); !out)
        return out.error();
    // A picture of a given size is fitted into it from the package; without one, the preview's.
    const bool fitted = longestSide > 0;
    PackageThumbnail thumbnail =
        fitted ? ReadFittedThumbnail(packagePath) : ReadPackageThumbnail(packagePath);
    ExportedThumbnail exported;
    switch (thumbnail.status) {
        case ThumbnailStatus::kCannotOpen: {
            std::string message = "cannot open package: " + thumbnail.readerMessage;
            if (const std::string reason = SystemReason(packagePath); !reason.empty())
                message += " (" + reason + ')';
            return MakeError(PreviewCode::kCannotOpen, std::move(message));
        }
        case ThumbnailStatus::kNoSize:
            return NoThumbnail(PreviewCode::kNoThumbnail,
                               "no thumbnail for a package of " + PackageSize(thumbnail) +
                                   (fitted ? ": it is empty"
                                           : ": it would be empty or taller than " +
                                                 std::to_string(kMaxThumbnailRows) + " rows of " +
                                                 std::to_string(kThumbnailColumns)));
        case ThumbnailStatus::kNoMemory:
            return NoThumbnail(
                PreviewCode::kNoMemory,
                "not enough memory for a thumbnail of " + std::to_string(thumbnail.rows) + " rows");
        case ThumbnailStatus::kReadFailed:
            // A sized picture is a thumbnailer's: a blank one would be kept as the file's own.
            if (fitted)
                return NoThumbnail(PreviewCode::kCannotRead, UnreadTiles(thumbnail));
            exported.warning = UnreadTiles(thumbnail) + "; they are transparent in the picture";
            break;
        case ThumbnailStatus::kRead:
            break;
    }
    if (thumbnail.rows < 1) {
        return NoThumbnail(PreviewCode::kNoThumbnail,
                           "no thumbnail for a package of " + PackageSize(thumbnail) +
                               ": it is more than " + std::to_string(kThumbnailColumns) +
                               " times as wide as it is tall");
    }
    PreviewStatus written;
    try {
        std::vector<std::uint32_t> picture =
            kind == ThumbnailKind::kBuffer ? std::move(thumbnail.pixels) : OpaqueView(thumbnail);
        const PictureSize size{thumbnail.columns, thumbnail.rows};
        const PictureSize package{static_cast<int>(thumbnail.width),
                                  static_cast<int>(thumbnail.height)};
        written = WriteRgbaPng(outPath, picture.data(), size,
                               fitted ? ScaledToLongestSide(package, longestSide) : size);
    } catch (const std::bad_alloc&) {
        return NoThumbnail(PreviewCode::kNoMemory, "not enough memory for a picture of " +
                                                       std::to_string(thumbnail.rows) + " rows");
    }
    if (!written)
        return written.error();
    return exported;
}
