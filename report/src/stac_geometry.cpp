#include "stac_geometry.h"

#include <cpl_error.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Points taken along each edge, the corners included once; enough for a UTM zone's curve to stay
// within a few metres of the true outline.
constexpr int kSegmentsPerEdge = 16;
// Coordinate systems whose transformation a thread keeps.
constexpr std::size_t kCachedTransformations = 8;
constexpr int kWgs84 = 4326;
constexpr std::size_t kFewestRingPoints = 3;

struct TransformationDeleter {
    void operator()(OGRCoordinateTransformation* transformation) const {
        OGRCoordinateTransformation::DestroyCT(transformation);
    }
};
using Transformation = std::unique_ptr<OGRCoordinateTransformation, TransformationDeleter>;

struct CachedTransformation {
    std::string wkt;
    Transformation transformation;  // null when the system cannot be transformed
};

Transformation MakeTransformation(const std::string& wkt) {
    OGRSpatialReference source;
    OGRSpatialReference target;
    if (source.importFromWkt(wkt.c_str()) != OGRERR_NONE ||
        target.importFromEPSG(kWgs84) != OGRERR_NONE) {
        return nullptr;
    }
    source.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return Transformation(OGRCreateCoordinateTransformation(&source, &target));
}

OGRCoordinateTransformation* TransformationFor(const std::string& wkt) {
    thread_local std::vector<CachedTransformation> cache;
    for (const CachedTransformation& cached : cache) {
        if (cached.wkt == wkt)
            return cached.transformation.get();
    }
    if (cache.size() == kCachedTransformations)
        cache.erase(cache.begin());
    cache.push_back({wkt, MakeTransformation(wkt)});
    return cache.back().transformation.get();
}

// The image's border in pixel coordinates: down the left edge, along the bottom, up the right
// edge and back along the top, which is counter-clockwise on a north-up map.
void WalkBorder(int width, int height, std::vector<double>& columns, std::vector<double>& rows) {
    const std::array<std::array<double, 2>, 5> corners{
        {{0, 0}, {0, 1.0 * height}, {1.0 * width, 1.0 * height}, {1.0 * width, 0}, {0, 0}}};
    for (std::size_t edge = 0; edge + 1 < corners.size(); ++edge) {
        for (int step = 0; step < kSegmentsPerEdge; ++step) {
            const double along = static_cast<double>(step) / kSegmentsPerEdge;
            columns.push_back(corners[edge][0] + (corners[edge + 1][0] - corners[edge][0]) * along);
            rows.push_back(corners[edge][1] + (corners[edge + 1][1] - corners[edge][1]) * along);
        }
    }
}

double SignedArea(const std::vector<std::array<double, 2>>& ring) {
    double twiceArea = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const auto& a = ring[i];
        const auto& b = ring[(i + 1) % ring.size()];
        twiceArea += a[0] * b[1] - b[0] * a[1];
    }
    return twiceArea / 2;
}

}  // namespace

std::optional<LonLatOutline> OutlineInLonLat(const std::string& wkt, const GeoTransform& gt,
                                             int width, int height) {
    if (wkt.empty() || width <= 0 || height <= 0)
        return std::nullopt;
    const CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    OGRCoordinateTransformation* transformation = TransformationFor(wkt);
    if (transformation == nullptr)
        return std::nullopt;

    std::vector<double> x;
    std::vector<double> y;
    WalkBorder(width, height, x, y);
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double column = x[i];
        const double row = y[i];
        x[i] = gt[0] + gt[1] * column + gt[2] * row;
        y[i] = gt[3] + gt[4] * column + gt[5] * row;
    }
    std::vector<int> success(x.size(), FALSE);
    transformation->Transform(static_cast<int>(x.size()), x.data(), y.data(), nullptr,
                              success.data());

    LonLatOutline outline;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (success[i] && std::isfinite(x[i]) && std::isfinite(y[i]))
            outline.ring.push_back({x[i], y[i]});
    }
    if (outline.ring.size() < kFewestRingPoints)
        return std::nullopt;
    if (SignedArea(outline.ring) < 0)
        std::reverse(outline.ring.begin(), outline.ring.end());
    const auto [west, east] =
        std::minmax_element(outline.ring.begin(), outline.ring.end(),
                            [](const auto& a, const auto& b) { return a[0] < b[0]; });
    const auto [south, north] =
        std::minmax_element(outline.ring.begin(), outline.ring.end(),
                            [](const auto& a, const auto& b) { return a[1] < b[1]; });
    outline.bbox = {(*west)[0], (*south)[1], (*east)[0], (*north)[1]};
    outline.ring.push_back(outline.ring.front());
    return outline;
}
