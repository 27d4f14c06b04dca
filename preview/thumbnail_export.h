// tarnview-info's thumbnail export: the preview's buffer, or the picture the preview shows, as PNG.
#pragma once

#include <QString>

enum class ThumbnailKind {
    kBuffer,  // the region read's RGBA output, transparent where there is no data
    kView,    // what the preview window shows: the checkerboard under the thumbnail
};

// `packagePath` names a package (the caller has checked its extension). Writes the PNG at `outPath`
// (through a temporary file, so a failure leaves nothing) and returns an empty text, or the
// one-line reason nothing was written.
QString ExportThumbnail(const QString& packagePath, const QString& outPath, ThumbnailKind kind);
