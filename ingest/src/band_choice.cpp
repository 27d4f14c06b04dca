#include "band_choice.h"

#include <algorithm>

#include "pack_options.h"

namespace {

// The note names this many left-out bands, then counts the rest.
constexpr int kNamedLeftOutBands = 8;

GDALColorInterp Interpretation(GDALDatasetH dataset, int bandNumber) {
    return GDALGetRasterColorInterpretation(GDALGetRasterBand(dataset, bandNumber));
}

// The first band GDAL interprets as `wanted`, 0 when none.
int FindBand(GDALDatasetH dataset, GDALColorInterp wanted) {
    for (int band = 1; band <= GDALGetRasterCount(dataset); ++band) {
        if (Interpretation(dataset, band) == wanted) {
            return band;
        }
    }
    return 0;
}

bool IsPalette(GDALDatasetH dataset, int bandNumber) {
    GDALRasterBandH band = GDALGetRasterBand(dataset, bandNumber);
    return Interpretation(dataset, bandNumber) == GCI_PaletteIndex &&
           GDALGetRasterColorTable(band) != nullptr && GDALGetRasterDataType(band) == GDT_Byte;
}

std::string BandName(GDALDatasetH dataset, int bandNumber) {
    return "band " + std::to_string(bandNumber) + " (" +
           GDALGetColorInterpretationName(Interpretation(dataset, bandNumber)) + ")";
}

// "bands 3, 2, 1 as red, green, blue, band 4 as alpha; band 5 (Undefined) left out"
std::string Describe(GDALDatasetH dataset, const BandChoice& choice) {
    std::string text;
    if (choice.colourBands.size() == 1) {
        text = "band " + std::to_string(choice.colourBands[0]) +
               (choice.palette ? " through its colour table" : " as grey");
    } else {
        text = "bands " + std::to_string(choice.colourBands[0]) + ", " +
               std::to_string(choice.colourBands[1]) + ", " +
               std::to_string(choice.colourBands[2]) + " as red, green, blue";
    }
    if (choice.alphaBand != 0) {
        text += ", band " + std::to_string(choice.alphaBand) + " as alpha";
    }
    std::string leftOut;
    int named = 0;
    int unnamed = 0;
    for (int band = 1; band <= GDALGetRasterCount(dataset); ++band) {
        const bool used = band == choice.alphaBand ||
                          std::find(choice.colourBands.begin(), choice.colourBands.end(), band) !=
                              choice.colourBands.end();
        if (used) {
            continue;
        }
        if (named == kNamedLeftOutBands) {
            ++unnamed;
        } else {
            leftOut += (named++ == 0 ? "" : ", ") + BandName(dataset, band);
        }
    }
    if (unnamed != 0) {
        leftOut += " and " + std::to_string(unnamed) + " more";
    }
    if (!leftOut.empty()) {
        text += "; left out: " + leftOut;
    }
    return text;
}

// Plain: the bands are taken in their own order, each as GDAL interprets it, and none is left out.
bool IsPlain(GDALDatasetH dataset, const BandChoice& choice) {
    const int used = static_cast<int>(choice.colourBands.size()) + (choice.alphaBand != 0 ? 1 : 0);
    if (used != GDALGetRasterCount(dataset)) {
        return false;
    }
    for (std::size_t i = 0; i < choice.colourBands.size(); ++i) {
        if (choice.colourBands[i] != static_cast<int>(i) + 1) {
            return false;
        }
    }
    if (choice.colourBands.size() == kColourBands) {
        return Interpretation(dataset, 1) == GCI_RedBand &&
               Interpretation(dataset, 2) == GCI_GreenBand &&
               Interpretation(dataset, kColourBands) == GCI_BlueBand;
    }
    return true;  // one band, alone or with its alpha: nothing else it could be
}

PackResultOf<BandChoice> FromRequest(GDALDatasetH dataset, const std::vector<int>& requested,
                                     const std::string& option) {
    const int bandCount = GDALGetRasterCount(dataset);
    for (const int band : requested) {
        if (band < 1 || band > bandCount) {
            return MakeError(PackCode::kBandsRefused,
                             option + " names band " + std::to_string(band) + "; the input has " +
                                 std::to_string(bandCount) + " band" + (bandCount == 1 ? "" : "s"));
        }
    }
    BandChoice choice;
    choice.colourBands.assign(requested.begin(), requested.begin() + kColourBands);
    if (requested.size() == kColourAndAlphaBands) {
        choice.alphaBand = requested[kColourBands];
    }
    return choice;
}

BandChoice FromInterpretation(GDALDatasetH dataset) {
    BandChoice choice;
    const int bandCount = GDALGetRasterCount(dataset);
    choice.alphaBand = FindBand(dataset, GCI_AlphaBand);
    const int red = FindBand(dataset, GCI_RedBand);
    const int green = FindBand(dataset, GCI_GreenBand);
    const int blue = FindBand(dataset, GCI_BlueBand);
    if (red != 0 && green != 0 && blue != 0) {
        choice.colourBands = {red, green, blue};
        return choice;
    }
    // By position: the first three bands other than alpha, or the first one as grey.
    std::vector<int> others;
    for (int band = 1; band <= bandCount; ++band) {
        if (band != choice.alphaBand) {
            others.push_back(band);
        }
    }
    if (others.size() >= kColourBands && Interpretation(dataset, others[0]) != GCI_PaletteIndex) {
        choice.colourBands.assign(others.begin(), others.begin() + kColourBands);
        return choice;
    }
    const int grey = FindBand(dataset, GCI_GrayIndex);
    choice.colourBands = {grey != 0 ? grey : others.empty() ? 1 : others[0]};
    choice.palette = IsPalette(dataset, choice.colourBands[0]);
    return choice;
}

}  // namespace

PackStatus CheckBandCount(GDALDatasetH dataset) {
    const int bandCount = GDALGetRasterCount(dataset);
    if (bandCount <= kMaxInputBands) {
        return {};
    }
    return MakeError(PackCode::kBandsRefused,
                     "it has " + std::to_string(bandCount) + " bands, more than the " +
                         std::to_string(kMaxInputBands) +
                         " a pack reads; make a VRT of the bands to pack first (gdal_translate "
                         "-of VRT -b R -b G -b B)");
}

PackResultOf<BandChoice> ChooseBands(GDALDatasetH dataset, const std::vector<int>& requested,
                                     const std::string& option) {
    if (requested.empty()) {
        BandChoice choice = FromInterpretation(dataset);
        if (!IsPlain(dataset, choice)) {
            choice.note =
                "using " + Describe(dataset, choice) + "; " + option + " R,G,B[,A] chooses others";
        }
        return choice;
    }
    PackResultOf<BandChoice> choice = FromRequest(dataset, requested, option);
    if (choice) {
        choice->note = "using " + Describe(dataset, *choice) + ", as " + option + " says";
    }
    return choice;
}
