#include "value_range.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

#include <cpl_error.h>

namespace {

// The exact pass reads this many values at a time.
constexpr std::size_t kPassValues = std::size_t{1} << 20;

bool IsFinite(const ValueRange& range) {
    return std::isfinite(range.minimum) && std::isfinite(range.maximum);
}

ValueRange FinitePass(GDALRasterBandH band) {
    const int width = GDALGetRasterBandXSize(band);
    const int height = GDALGetRasterBandYSize(band);
    const int rowsPerRead = static_cast<int>(
        std::max<std::size_t>(1, kPassValues / static_cast<std::size_t>(std::max(width, 1))));
    const std::size_t capacity =
        static_cast<std::size_t>(std::max(width, 1)) * static_cast<std::size_t>(rowsPerRead);
    const std::unique_ptr<double[]> values(new (std::nothrow) double[capacity]);
    if (!values) {
        return {};
    }
    ValueRange range{std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()};
    for (int row = 0; row < height; row += rowsPerRead) {
        const int rows = std::min(rowsPerRead, height - row);
        if (GDALRasterIO(band, GF_Read, 0, row, width, rows, values.get(), width, rows, GDT_Float64,
                         0, 0) != CE_None) {
            break;  // the read of the pixels themselves will report it
        }
        const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(rows);
        for (std::size_t i = 0; i < count; ++i) {
            const double value = values[i];
            if (std::isfinite(value)) {
                range.minimum = std::min(range.minimum, value);
                range.maximum = std::max(range.maximum, value);
            }
        }
    }
    return IsFinite(range) ? range : ValueRange{};
}

}  // namespace

ValueRange FindValueRange(GDALRasterBandH band) {
    ValueRange range;
    if (GDALGetRasterStatistics(band, TRUE, FALSE, &range.minimum, &range.maximum, nullptr,
                                nullptr) == CE_None &&
        IsFinite(range)) {
        CPLErrorReset();
        return range;
    }
    double minMax[2] = {0, 0};
    if (GDALComputeRasterMinMax(band, TRUE, minMax) != CE_None) {
        CPLErrorReset();
        return {};  // no valid pixel: the band reads as all transparent anyway
    }
    range = ValueRange{minMax[0], minMax[1]};
    if (!IsFinite(range)) {
        range = FinitePass(band);
    }
    CPLErrorReset();
    return range;
}

ValueRange Union(const ValueRange& a, const ValueRange& b) {
    return ValueRange{std::min(a.minimum, b.minimum), std::max(a.maximum, b.maximum)};
}
