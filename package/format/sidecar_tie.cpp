#include "sidecar_tie.h"

#include <cstdio>

#include "package_format.h"

namespace {

// FNV-1a, 64 bits: enough to tell two packages of the same size apart, which is all it is for.
constexpr std::uint64_t kFnvOffsetBasis = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;
constexpr std::size_t kHashDigits = 16;

std::uint64_t Fnv1a64(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t hash = kFnvOffsetBasis;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * kFnvPrime;
    }
    return hash;
}

}  // namespace

std::string PackageFingerprint(std::uint64_t packageSize, const std::uint8_t* header) {
    char hash[kHashDigits + 1] = {};
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(Fnv1a64(header, kMinHeaderLength)));
    return std::to_string(packageSize) + ' ' + hash;
}

SidecarTie TieOfSidecar(const char* stored, const std::optional<std::string>& own) {
    if (stored == nullptr) {
        return SidecarTie::kUntied;
    }
    return !own || *own == stored ? SidecarTie::kThisPackage : SidecarTie::kOtherPackage;
}
