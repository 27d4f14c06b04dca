// Opens a package for a test that needs it open.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "package_reader.h"

// The open package, or null after failing the test with the reader's message.
inline PackageHandle OpenOrFail(const std::string& path) {
    std::string errorText;
    PackageHandle reader(OpenPackage(path, errorText));
    EXPECT_NE(reader, nullptr) << errorText;
    return reader;
}
