#pragma once

#include <QByteArray>

// Size in bytes of the file at the UTF-8 path, following links; 0 when it cannot be read
// (missing, a folder, no permission to look).
double FileSizeOnDisk(const QByteArray& utf8Path);
