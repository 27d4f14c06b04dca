// An open package that closes itself, for tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "package_reader.h"

struct ReaderCloser {
    void operator()(PackageReader* reader) const { ClosePackage(reader); }
};
using Reader = std::unique_ptr<PackageReader, ReaderCloser>;

// Opens the package, failing the test (with the reader's message) when it does not open.
inline Reader Open(const std::string& path) {
    std::string errorText;
    Reader reader(OpenPackage(path, errorText));
    EXPECT_NE(reader, nullptr) << errorText;
    return reader;
}
