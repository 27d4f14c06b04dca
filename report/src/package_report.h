#pragma once

#include <string>
#include <string_view>

#include "package_facts.h"

// The package report text (CR LF line ends) of gathered facts.
std::string RenderPackageReport(const PackageFacts& facts);

// The report shown when a package cannot be opened: a fixed prefix and the reader's message.
std::string RenderPackageOpenFailure(std::string_view readerMessage);
