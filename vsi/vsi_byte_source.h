// The package reader's byte source over GDAL's virtual file layer, so that every path GDAL opens
// (/vsizip/, /vsimem/, /vsicurl/, /vsis3/ ...) reads packages with no code of ours.
#pragma once

#include <cpl_vsi.h>

#include <memory>

#include "byte_source.h"

// Takes ownership of `file`, an open VSI handle, and closes it with the source. `remote`: the file
// is read over the network, so the source prefers few reads.
std::unique_ptr<ByteSource> MakeVsiByteSource(VSILFILE* file, bool remote = false);
