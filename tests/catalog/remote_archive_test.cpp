// Archives on a web server (nginx) and an object store (s3rver), both started by the test: remote
// reports, JSON, thumbnails and catalogues equal those of the files on disk, in as few requests
// as the servers' own logs count; a failing file is an error entry and the run goes on.
#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "catalog_entry.h"
#include "file_bytes.h"
#include "gdal_rasters.h"
#include "json_report.h"
#include "local_server.h"
#include "package_thumbnail.h"
#include "path_list.h"
#include "written_packages.h"

namespace {

std::string Json(const FileFacts& facts) {  // without what names the path
    nlohmann::json json = RenderJsonReport(facts);
    for (const char* key : {"path", "files", "error"})
        json.erase(key);
    return json.dump();
}

std::string Text(const std::string& path) {
    return RenderReport(GatherFileFacts(path, nullptr, FactsScope::kTextReport)).text;
}

std::vector<std::string> Pixels(const std::string& path) {
    const PackageThumbnail thumbnail = ReadPackageThumbnail(path);
    return {std::to_string(static_cast<int>(thumbnail.status)),
            std::string(thumbnail.pixels.begin(), thumbnail.pixels.end())};
}

// Every entry of the walk, as a path below the root and its JSON.
std::vector<std::string> Catalogue(const std::string& root) {
    std::vector<std::string> out;
    for (const CatalogEntry& entry : ExpandPaths({root}, true))
        out.insert(out.end(), {entry.path.substr(root.size()), Json(GatherEntry(entry).facts)});
    return out;
}

struct Case {
    const char* what;
    std::function<std::vector<std::string>(const std::string& root)> read;  // root: folder or URL
    std::size_t maxRequests;
};

class RemoteArchive : public ::testing::Test {
  protected:
    void SetUp() override {
        GDALAllRegister();
        std::filesystem::create_directories(disk_.Path("sub"));
        ASSERT_TRUE(WriteImagePackage(disk_.Path("p.qvrmp"), CoordinateImage(1300, 900, 64)));
        WriteFileText(disk_.Path("p.qvrmp.aux.xml"),
                      "<PAMDataset><SRS>EPSG:32650</SRS></PAMDataset>");
        RasterRecipe recipe;
        recipe.width = 700;
        recipe.creationOptions = {"TILED=YES"};
        recipe.value = Texture;
        recipe.geoTransform = {{500000, 10, 0, 4000000, 0, -10}};
        MakeRaster(disk_.Path("sub/r.tif"), recipe);
    }

    // Each case read from `root` (a URL over `server`) equals it read from disk, within its count.
    void Check(LocalServer& server, const std::string& root, const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            VSICurlClearCache();
            server.TakeRequests();
            EXPECT_EQ(c.read(root), c.read(disk_.Root() + "/"));
            const std::vector<std::string> requests = server.TakeRequests();
            EXPECT_GE(requests.size(), 1u);
            EXPECT_LE(requests.size(), c.maxRequests) << testing::PrintToString(requests);
        }
    }

    TempFolder disk_;
};

const auto kText = [](const std::string& root) { return std::vector{Text(root + "p.qvrmp")}; };
const auto kJson = [](const std::string& root) {
    return std::vector{Json(GatherFileFacts(root + "p.qvrmp"))};
};
const auto kThumbnail = [](const std::string& root) { return Pixels(root + "p.qvrmp"); };

}  // namespace

TEST_F(RemoteArchive, OverHttpAsOnDiskInFewRequests) {
    const auto server = LocalServer::Nginx(disk_.Root());
    ASSERT_TRUE(server->Running()) << "nginx did not start (scripts/common.sh installs it)";
    ASSERT_EQ(
        std::system(("gdalinfo /vsicurl/" + server->Url("sub/r.tif") + " >/dev/null").c_str()), 0);
    const std::size_t gdalinfo = server->TakeRequests().size();
    const auto raster = [](const std::string& root) {
        return std::vector{Json(GatherFileFacts(root + "sub/r.tif"))};
    };
    // Over HTTP, GDAL asks a file's size before its first read unless a listing gave it.
    Check(
        *server, server->Url(),
        {{"report: the size, then the header", kText, 2},
         {"JSON: the package, then its sidecar", kJson, 4},
         {"thumbnail: the size, the header, then the block", kThumbnail, 3},
         {"GeoTIFF report: no more than gdalinfo", raster, gdalinfo},
         {"catalogue: a listing a folder, one request a file, the sidecar", Catalogue, 2 + 3 + 1}});
}

TEST_F(RemoteArchive, OnAnObjectStoreAReportIsOneRequest) {
    const auto server = LocalServer::S3(TARNVIEW_S3RVER, "archive");
    ASSERT_TRUE(server->Running()) << "s3rver did not start (scripts/install-s3rver.sh)";
    std::filesystem::remove(disk_.Path("p.qvrmp.aux.xml"));
    std::filesystem::remove_all(disk_.Path("sub"));
    const std::vector<std::uint8_t> bytes = ReadFileBytes(disk_.Path("p.qvrmp"));
    VSILFILE* upload = VSIFOpenL("/vsis3/archive/p.qvrmp", "wb");
    ASSERT_NE(upload, nullptr);
    VSIFWriteL(bytes.data(), 1, bytes.size(), upload);
    ASSERT_EQ(VSIFCloseL(upload), 0);
    Check(*server, "s3://archive/",
          {{"report: the header in the opening read", kText, 1},
           {"thumbnail: the header, then the block", kThumbnail, 2},
           {"catalogue: the listing, then the header", Catalogue, 2}});
}

TEST_F(RemoteArchive, EachFailingFileIsAnErrorAndTheRunGoesOn) {
    const auto server = LocalServer::Nginx(disk_.Root());
    ASSERT_TRUE(server->Running());
    // A package with a long tail, walked on a server that answers a range with the whole file.
    std::filesystem::create_directories(disk_.Path("whole"));
    std::vector<std::uint8_t> bytes = ReadFileBytes(disk_.Path("p.qvrmp"));
    bytes.resize(bytes.size() + (std::size_t{4} << 20));
    WriteFileText(disk_.Path("whole/long.qvrmp"), std::string(bytes.begin(), bytes.end()));
    CPLSetThreadLocalConfigOption("GDAL_HTTP_TIMEOUT", "1");
    for (const char* failing :
         {"missing.qvrmp", "forbidden/a.tif", "slow/a.tif", "whole/", "no/"}) {
        for (const CatalogEntry& entry : ExpandPaths({server->Url(failing)}, true)) {
            SCOPED_TRACE(entry.path);
            const FileFacts facts = GatherEntry(entry).facts;
            EXPECT_TRUE(facts.Failed() && !facts.error.empty());
        }
    }
    CPLSetThreadLocalConfigOption("GDAL_HTTP_TIMEOUT", nullptr);
    EXPECT_FALSE(GatherEntry({server->Url("p.qvrmp"), {}, {}}).facts.Failed());
}
