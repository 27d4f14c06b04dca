// Archives on a web server (a real nginx started by the test): reports, JSON, thumbnails and
// catalogues of remote files equal those of the same files on disk, in as few requests as the
// server's own log counts.
#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
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

constexpr char kSidecar[] = "<PAMDataset><SRS>EPSG:32650</SRS></PAMDataset>";

class RemoteArchive : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { GDALAllRegister(); }

    void SetUp() override {
        std::filesystem::create_directories(www_.Path("sub"));
        ASSERT_TRUE(WriteImagePackage(www_.Path("p.qvrmp"), CoordinateImage(1300, 900, 64)));
        WriteFileText(www_.Path("p.qvrmp.aux.xml"), kSidecar);
        RasterRecipe recipe;
        recipe.width = 700;
        recipe.height = 500;
        recipe.value = Texture;
        recipe.creationOptions = {"TILED=YES"};
        recipe.geoTransform = {{500000, 10, 0, 4000000, 0, -10}};
        recipe.epsg = 32650;
        MakeRaster(www_.Path("sub/r.tif"), recipe);
        ASSERT_TRUE(server_.Running()) << "nginx did not start (scripts/common.sh installs it)";
        VSICurlClearCache();
        server_.TakeRequests();
    }

    std::string Local(const std::string& name) const { return www_.Path(name); }
    std::string Remote(const std::string& name) const { return server_.Url(name); }

    TempFolder www_;
    TempFolder logs_;
    LocalNginx server_{www_.Root()};
};

std::string WithoutPath(const FileFacts& facts) {
    nlohmann::json json = RenderJsonReport(facts);
    json.erase("path");
    json.erase("files");
    json.erase("error");  // names the path
    return json.dump();
}

// Requests gdalinfo makes for the same URL, with GDAL's defaults.
std::size_t GdalinfoRequests(LocalNginx& server, const std::string& url, const std::string& log) {
    const pid_t pid = SpawnLogged({"gdalinfo", "/vsicurl/" + url}, log);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return server.TakeRequests().size();
}

}  // namespace

TEST_F(RemoteArchive, ReadsAsOnDiskInFewRequests) {
    const std::size_t gdalinfo =
        GdalinfoRequests(server_, Remote("sub/r.tif"), logs_.Path("gdalinfo"));
    ASSERT_GT(gdalinfo, 0u);
    struct Case {
        const char* what;
        std::function<void()> check;  // remote against local
        std::size_t maxRequests;
        bool headAllowed;
    };
    const auto text = [](const std::string& path) {
        return RenderReport(GatherFileFacts(path, nullptr, FactsScope::kTextReport)).text;
    };
    const Case cases[] = {
        // Over HTTP, GDAL learns a file's size before its first read unless a listing gave it.
        {"package report: the size, then the header in one read",
         [&] { EXPECT_EQ(text(Remote("p.qvrmp")), text(Local("p.qvrmp"))); }, 2, true},
        {"package JSON: the package, then its sidecar",
         [&] {
             EXPECT_EQ(WithoutPath(GatherFileFacts(Remote("p.qvrmp"))),
                       WithoutPath(GatherFileFacts(Local("p.qvrmp"))));
         },
         4, true},
        {"package thumbnail",
         [&] {
             const PackageThumbnail remote = ReadPackageThumbnail(Remote("p.qvrmp"));
             EXPECT_EQ(remote.status, ThumbnailStatus::kRead);
             EXPECT_EQ(remote.pixels, ReadPackageThumbnail(Local("p.qvrmp")).pixels);
         },
         3, true},
        {"GeoTIFF report, no more than gdalinfo",
         [&] {
             EXPECT_EQ(WithoutPath(GatherFileFacts(Remote("sub/r.tif"))),
                       WithoutPath(GatherFileFacts(Local("sub/r.tif"))));
         },
         gdalinfo, true},
        {"catalogue: a listing a folder, then one request a file",
         [&] {
             const std::vector<CatalogEntry> remote = ExpandPaths({Remote("")}, true);
             const std::vector<CatalogEntry> local = ExpandPaths({www_.Root()}, true);
             ASSERT_EQ(remote.size(), local.size());
             for (std::size_t i = 0; i < remote.size(); ++i) {
                 EXPECT_EQ(remote[i].path.substr(Remote("").size()),
                           local[i].path.substr(www_.Root().size() + 1));
                 EXPECT_EQ(WithoutPath(GatherEntry(remote[i]).facts),
                           WithoutPath(GatherEntry(local[i]).facts));
             }
         },
         2 + 3 + 1, true},  // folders, files, the package's sidecar
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VSICurlClearCache();
        c.check();
        const std::vector<std::string> requests = server_.TakeRequests();
        EXPECT_GE(requests.size(), 1u);
        EXPECT_LE(requests.size(), c.maxRequests) << ::testing::PrintToString(requests);
        const auto head = [](const std::string& r) { return r.starts_with("HEAD"); };
        EXPECT_TRUE(c.headAllowed || std::none_of(requests.begin(), requests.end(), head));
    }
}

TEST_F(RemoteArchive, EachFailingFileIsAnErrorAndTheRunGoesOn) {
    // A package with a long tail, on a server that answers a range with the whole file.
    std::filesystem::create_directories(www_.Path("whole"));
    std::vector<std::uint8_t> bytes = ReadFileBytes(www_.Path("p.qvrmp"));
    bytes.resize(bytes.size() + (std::size_t{4} << 20));
    WriteFileText(www_.Path("whole/long.qvrmp"), std::string(bytes.begin(), bytes.end()));
    CPLSetThreadLocalConfigOption("GDAL_HTTP_TIMEOUT", "1");
    const std::vector<std::string> failing = {Remote("missing.qvrmp"), Remote("forbidden/a.tif"),
                                              Remote("slow/a.tif"), Remote("whole/"),
                                              Remote("nowhere/")};
    for (const CatalogEntry& entry : ExpandPaths(failing, true)) {
        SCOPED_TRACE(entry.path);
        const GatheredEntry gathered = GatherEntry(entry);
        EXPECT_TRUE(gathered.facts.Failed());
        EXPECT_FALSE(gathered.facts.error.empty());
    }
    CPLSetThreadLocalConfigOption("GDAL_HTTP_TIMEOUT", nullptr);
    EXPECT_FALSE(GatherEntry({Remote("p.qvrmp"), {}, {}}).facts.Failed());
}

TEST(RemoteObjectStore, AReportIsOneRequestAndAThumbnailTwo) {
    GDALAllRegister();
    TempFolder local;
    ASSERT_TRUE(WriteImagePackage(local.Path("p.qvrmp"), CoordinateImage(1300, 900, 64)));
    LocalS3 server(TARNVIEW_S3RVER, "archive");
    ASSERT_TRUE(server.Running()) << "s3rver did not start (scripts/install-s3rver.sh)";
    ASSERT_TRUE(server.Put(local.Path("p.qvrmp"), "scenes/p.qvrmp"));
    struct Case {
        const char* what;
        std::function<bool()> sameAsLocal;
        std::size_t requests;
    };
    const std::string remote = "s3://archive/scenes/p.qvrmp";
    const auto text = [](const std::string& path) {
        return RenderReport(GatherFileFacts(path, nullptr, FactsScope::kTextReport)).text;
    };
    const Case cases[] = {
        {"report: the header in the opening read",
         [&] { return text(remote) == text(local.Path("p.qvrmp")); }, 1},
        {"thumbnail: the header, then the block",
         [&] {
             return ReadPackageThumbnail(remote).pixels ==
                    ReadPackageThumbnail(local.Path("p.qvrmp")).pixels;
         },
         2},
        {"catalogue: the listing, then the header",
         [&] {
             const std::vector<CatalogEntry> entries = ExpandPaths({"s3://archive/"}, true);
             return entries.size() == 1 && entries[0].path == remote &&
                    WithoutPath(GatherEntry(entries[0]).facts) ==
                        WithoutPath(GatherFileFacts(local.Path("p.qvrmp")));
         },
         3},  // the top folder's listing, its subfolder's, the package
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VSICurlClearCache();
        server.TakeRequestCount();
        EXPECT_TRUE(c.sameAsLocal());
        EXPECT_EQ(server.TakeRequestCount(), c.requests);
    }
}
