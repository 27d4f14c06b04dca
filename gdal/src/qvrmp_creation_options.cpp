#include "qvrmp_creation_options.h"

#include <cpl_string.h>

#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr char kQuality[] = "QUALITY";
constexpr char kLossless[] = "LOSSLESS";
constexpr char kNumThreads[] = "NUM_THREADS";
constexpr char kAllCpus[] = "ALL_CPUS";
constexpr char kAuxXml[] = "AUX_XML";
constexpr char kBands[] = "BANDS";
constexpr char kVirtualFilePrefix[] = "/vsi";
constexpr int kMinQuality = 1;

Error<CreationOptionCode> Refused(const char* name, const char* value, const std::string& wanted) {
    return MakeError(CreationOptionCode::kRefused,
                     std::string(name) + "=" + value + " is not valid; it takes " + wanted);
}

// A whole number within [minimum, maximum], or nothing.
std::optional<int> WholeNumber(const char* text, int minimum, int maximum) {
    if (CPLGetValueType(text) != CPL_VALUE_INTEGER) {
        return std::nullopt;
    }
    const long long value = std::strtoll(text, nullptr, 10);
    if (value < minimum || value > maximum) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// "R,G,B" or "R,G,B,A": band numbers from 1.
std::optional<std::vector<int>> BandList(const char* text) {
    const CPLStringList parts(CSLTokenizeString2(text, ",", CSLT_STRIPLEADSPACES));
    const auto count = static_cast<std::size_t>(parts.size());
    if (count != std::size_t{kColourBands} && count != std::size_t{kColourAndAlphaBands}) {
        return std::nullopt;
    }
    std::vector<int> bands;
    for (int i = 0; i < parts.size(); ++i) {
        const std::optional<int> band = WholeNumber(parts[i], 1, std::numeric_limits<int>::max());
        if (!band) {
            return std::nullopt;
        }
        bands.push_back(*band);
    }
    return bands;
}

}  // namespace

std::string BandsOptionName() {
    return std::string("-co ") + kBands;
}

const char* CreationOptionList() {
    static const std::string list =
        "<CreationOptionList>"
        "<Option name='" +
        std::string(kQuality) + "' type='int' min='" + std::to_string(kMinQuality) + "' max='" +
        std::to_string(kMaxQuality) + "' default='" + std::to_string(kDefaultQuality) +
        "' description='WebP quality of a lossy package'/>"
        "<Option name='" +
        kLossless +
        "' type='boolean' default='NO' description='lossless WebP; QUALITY is not used'/>"
        "<Option name='" +
        kNumThreads + "' type='string' default='" + kAllCpus +
        "' description='threads that encode the tiles: a number or ALL_CPUS; the package does "
        "not depend on it'/>"
        "<Option name='" +
        kAuxXml +
        "' type='boolean' default='YES' description='write the coordinate system into the "
        ".aux.xml beside the package'/>"
        "<Option name='" +
        kBands +
        "' type='string' description='input bands for red, green, blue and optionally alpha, "
        "as R,G,B[,A]; default: by their colour interpretation'/>"
        "</CreationOptionList>";
    return list.c_str();
}

Result<PackOptions, CreationOptionCode> ReadCreationOptions(const std::string& input,
                                                            const std::string& output,
                                                            CSLConstList options) {
    // The writer writes and renames local files; GDAL's virtual files are for reading.
    if (STARTS_WITH(output.c_str(), kVirtualFilePrefix)) {
        return MakeError(CreationOptionCode::kRefused,
                         output + ": packages are written to local files only");
    }
    PackOptions pack;
    pack.input = input;
    pack.output = output;
    pack.force = true;
    if (const char* quality = CSLFetchNameValue(options, kQuality)) {
        const std::optional<int> value = WholeNumber(quality, kMinQuality, kMaxQuality);
        if (!value) {
            return Refused(kQuality, quality,
                           "a whole number from " + std::to_string(kMinQuality) + " to " +
                               std::to_string(kMaxQuality));
        }
        pack.quality = *value;
    }
    pack.lossless = CPLFetchBool(options, kLossless, false);
    pack.writeAux = CPLFetchBool(options, kAuxXml, true);
    if (const char* threads = CSLFetchNameValue(options, kNumThreads);
        threads != nullptr && !EQUAL(threads, kAllCpus)) {
        const std::optional<int> value = WholeNumber(threads, 1, std::numeric_limits<int>::max());
        if (!value) {
            return Refused(kNumThreads, threads, std::string("a number from 1, or ") + kAllCpus);
        }
        pack.threads = *value;
    }
    if (const char* bands = CSLFetchNameValue(options, kBands)) {
        std::optional<std::vector<int>> list = BandList(bands);
        if (!list) {
            return Refused(kBands, bands, "R,G,B or R,G,B,A, band numbers from 1");
        }
        pack.bands = std::move(*list);
    }
    return pack;
}
