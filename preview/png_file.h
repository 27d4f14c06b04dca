#pragma once

#include <QString>

#include <cstdint>

// Writes columns x rows RGBA pixels (bytes R, G, B, A) as an RGBA PNG. The file appears only when
// it is whole: it is written to a file of its own beside the target and renamed into place. Returns
// an empty text, or why nothing was written.
QString WriteRgbaPng(const QString& path, const std::uint32_t* pixels, int columns, int rows);
