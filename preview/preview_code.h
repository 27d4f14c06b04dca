// Why the preview library gave no thumbnail or picture.
#pragma once

#include "result.h"

enum class PreviewCode {
    kSamePath,       // the picture would replace the package itself
    kCannotOpen,     // the package reader refused the package
    kNoThumbnail,    // the package has no thumbnail of a size a picture can take
    kNoMemory,       // a buffer for the thumbnail or the picture could not be had
    kCannotRead,     // tile blocks of the package could not be read
    kCannotWrite,    // the picture file could not be written
    kOutputRefused,  // the picture may not go where it was asked: a folder, link, device, FIFO...
};

template <typename T>
using PreviewResult = Result<T, PreviewCode>;
using PreviewStatus = Status<PreviewCode>;
