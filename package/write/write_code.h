// Why writing a package (or the file beneath it) failed: the codes of the writer's results. Each
// failure also carries a message for people; callers decide by the code alone.
#pragma once

#include "result.h"

enum class WriteCode {
    kBadOptions,     // an option out of its range (the WebP quality)
    kTooLarge,       // the image, or one of its tile blocks, is larger than a package can index
    kFileFailed,     // the temporary file could not be created, written, flushed or renamed
    kTargetRefused,  // the target is not a regular file, or appeared while it was written
    kSourceFailed,   // the caller's source could not yield its pixels
    kEncodeFailed,   // WebP refused a sub-tile, or an encoding job failed
    kOutOfMemory,    // an encoding job ran out of memory
    kInterrupted,    // the caller asked the write to stop
};

template <typename T>
using WriteResult = Result<T, WriteCode>;
using WriteStatus = Status<WriteCode>;

// The message of a write stopped because its caller asked.
inline constexpr char kInterruptedMessage[] = "interrupted";
