// What ties a package's sidecar (PACKAGE.qvrmp.aux.xml) to the package it was written for: the
// package's size and a hash of its first kMinHeaderLength bytes (the fixed header and the first
// index entries), kept in the sidecar as one metadata item of our own domain. Whoever writes a
// sidecar stores the fingerprint; whoever reads one (the report, the GDAL plugin) takes it only
// when it was written for this package, so a package copied over another, or packed again and
// killed before its new sidecar was in place, never shows another package's coordinate system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where the fingerprint lives in the sidecar: <Metadata domain="..."><MDI key="...">.
inline constexpr char kSidecarTieDomain[] = "TARNVIEW_SIDECAR";
inline constexpr char kSidecarTieItem[] = "PACKAGE_FINGERPRINT";

// "SIZE HASH": the package's size in bytes and the 64-bit FNV-1a hash of `header`, its first
// kMinHeaderLength bytes (zeros where the file is shorter), in hexadecimal.
std::string PackageFingerprint(std::uint64_t packageSize, const std::uint8_t* header);

enum class SidecarTie {
    kThisPackage,   // its fingerprint is this package's
    kUntied,        // it holds none (written before sidecars were tied, or by hand)
    kOtherPackage,  // it was written for another package
};

// How a sidecar whose stored fingerprint is `stored` (null: none) relates to the package whose
// own fingerprint is `own` (none: its size is unknown, and any sidecar is taken). A sidecar
// without a fingerprint counts as untied and is still read: every sidecar written before
// fingerprints existed is one, and dropping it would lose the only record of those packages'
// coordinate systems.
SidecarTie TieOfSidecar(const char* stored, const std::optional<std::string>& own);
