// The package reader's messages, UTF-8, one for each way an open can fail.
#pragma once

#include <string_view>

enum class PackageMessage {
    kOpenFailed,        // the file cannot be opened
    kHeaderReadFailed,  // the read of the first 65536 bytes fails
    kHeaderTooShort,    // fewer than 65536 bytes could be read
    kBadSignature,      // wrong magic or magic2
    kBadPyramid,        // topLevel does not fit width and height
    kBadIndexLength,    // headerLength differs from ExpectedHeaderLength
    kHeaderRestShort,   // the rest of a longer header cannot be read in full
    kHeaderNoMemory,    // no memory for a header as long as headerLength says
};

// The message text for a failure.
std::string_view PackageMessageText(PackageMessage message);
