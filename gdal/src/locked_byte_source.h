// A byte source that several threads may read at once: each read (a seek and a read on one file
// handle) holds a lock, so the plugin's decoding threads fetch sub-tiles one after another and
// decode them side by side.
#pragma once

#include <memory>

#include "byte_source.h"

// Takes ownership of `source`; null stays null.
std::unique_ptr<ByteSource> MakeLockedByteSource(std::unique_ptr<ByteSource> source);
