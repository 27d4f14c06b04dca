// tarnview-info's thumbnail export: the preview's buffer, or the picture the preview shows, as PNG.
#pragma once

#include <string>

#include "preview_code.h"

enum class ThumbnailKind {
    kBuffer,  // the region read's RGBA output, transparent where there is no data
    kView,    // what the preview window shows: the checkerboard under the thumbnail, opaque
};

struct ExportedThumbnail {
    std::string warning;  // a PNG was written, but not every tile could be read; empty otherwise
};

// `packagePath` is tried as a package whatever its name: the reader knows one by its content.
// Both paths are names as the system takes them, bytes that need not be UTF-8, and so may be the
// messages. Writes the PNG at `outPath` through a temporary file beside it, so a failure leaves
// nothing. `longestSide` > 0 asks for the whole picture fitted to a square of that side,
// proportions kept, whatever the package's shape, and fails when a tile block cannot be read;
// 0 writes the preview's thumbnail, 512 columns wide, with a warning for such tiles. An existing
// regular file at `outPath` is replaced (a thumbnailer overwrites its own picture); the package
// itself, a folder, a symbolic link, a FIFO or a device there is refused before the package is
// read.
PreviewResult<ExportedThumbnail> ExportThumbnail(const std::string& packagePath,
                                                 const std::string& outPath, ThumbnailKind kind,
                                                 int longestSide = 0);
