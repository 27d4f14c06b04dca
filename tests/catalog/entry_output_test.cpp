// Each file's entry: refused before opening where it would fail or block, rendered as text with
// its header or as JSON whose path keeps the system's bytes, and joined into valid JSON.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "catalog_entry.h"
#include "entry_output.h"
#include "gdal_rasters.h"
#include "temp_folder.h"

namespace {

class CatalogEntries : public ::testing::Test {
  protected:
    TempFolder fixtures;
    std::string Raster(const std::string& name) {
        GDALAllRegister();
        RasterRecipe recipe;
        recipe.geoTransform = {{10, 1, 0, 20, 0, -1}};
        return MakeRaster(fixtures.Path(name), recipe);
    }
    // Opening, the entries and their separators, closing: what the catalogue writes.
    static std::string Joined(const std::vector<GatheredEntry>& entries, CatalogFormat format) {
        std::string out = ListOpening(format, true, entries.empty());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i > 0)
                out += ListSeparator(format, true);
            out += RenderEntry(entries[i], format, true).text;
        }
        return out + ListClosing(format, true, entries.empty());
    }
};

}  // namespace

TEST_F(CatalogEntries, WhatWouldFailOrBlockIsRefusedBeforeOpening) {
    const std::string missing = fixtures.Path("missing.tif");
    const std::string broken = fixtures.Path("broken.tif");
    const std::string fifo = fixtures.Path("fifo.qvrmp");
    ASSERT_EQ(::symlink("nowhere.tif", broken.c_str()), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RefusalOf(missing), "no such file");
    EXPECT_EQ(RefusalOf(broken), "broken symbolic link");
    EXPECT_EQ(RefusalOf(fifo), "not a regular file (a FIFO, a device or a socket)");
    EXPECT_EQ(RefusalOf("/dev/zero"), RefusalOf(fifo));
    EXPECT_TRUE(RefusalOf(fixtures.Root())->starts_with("a folder"));
    EXPECT_EQ(RefusalOf(Raster("r.tif")), std::nullopt);

    const GatheredEntry refused = GatherEntry({fifo, {}, {}});
    EXPECT_TRUE(refused.facts.Failed());
    EXPECT_EQ(refused.facts.error, "not a regular file (a FIFO, a device or a socket)");
    // An error found while listing is kept, whatever the path is now.
    const GatheredEntry known = GatherEntry({Raster("k.tif"), "cannot list", {}});
    EXPECT_EQ(known.facts.error, "cannot list");
}

TEST_F(CatalogEntries, UnreadableFileIsRefused) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const std::string path = Raster("locked.tif");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_EQ(RefusalOf(path), "permission denied");
}

TEST_F(CatalogEntries, TextHasItsHeaderOnlyInAList) {
    const GatheredEntry entry = GatherEntry({Raster("r.tif"), {}, {}});
    const std::string alone = RenderEntry(entry, CatalogFormat::kText, false).text;
    const std::string listed = RenderEntry(entry, CatalogFormat::kText, true).text;
    EXPECT_TRUE(alone.ends_with('\n'));
    EXPECT_EQ(alone.find('\r'), std::string::npos);
    EXPECT_EQ(listed, "==> " + entry.path + " <==\n" + alone);
    EXPECT_EQ(ListSeparator(CatalogFormat::kText, true), "\n");
}

TEST_F(CatalogEntries, JsonPathKeepsTheSystemsBytesAndEscapesWhatJsonMust) {
    EXPECT_EQ(JsonPathString("a\"b\\c\n\x01\xff\xc3\xa9"),
              "\"a\\\"b\\\\c\\u000a\\u0001\xff\xc3\xa9\"");
    const std::string odd = fixtures.Path("\xff.tif");
    const GatheredEntry entry = GatherEntry({odd, {}, {}});
    const std::string line = RenderEntry(entry, CatalogFormat::kJsonLines, false).text;
    EXPECT_EQ(line, "{\"path\":" + JsonPathString(odd) + ",\"error\":\"no such file\"}\n");
    EXPECT_TRUE(RenderEntry(entry, CatalogFormat::kJsonLines, false).failed);
}

TEST_F(CatalogEntries, JsonEntriesJoinIntoOneValidArrayWithThePathFirst) {
    const std::vector<GatheredEntry> entries = {
        GatherEntry({Raster("a.tif"), {}, {}}),
        GatherEntry({fixtures.Path("missing.qvrmp"), {}, {}}),
        GatherEntry({Raster("b.tif"), {}, {}})};
    for (const CatalogFormat format : {CatalogFormat::kJson, CatalogFormat::kJsonCompact}) {
        const std::string text = Joined(entries, format);
        const nlohmann::json array = nlohmann::json::parse(text, nullptr, false);
        ASSERT_TRUE(array.is_array()) << text;
        ASSERT_EQ(array.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(array[i]["path"], entries[i].path);
            EXPECT_EQ(array[i].contains("error"), i == 1);
        }
        // The same object as it stands alone, only the path moved to the front.
        const std::string alone = RenderEntry(entries[0], format, false).text;
        EXPECT_EQ(nlohmann::json::parse(alone, nullptr, false), array[0]);
        EXPECT_TRUE(
            alone.starts_with(format == CatalogFormat::kJson ? "{\n    \"path\": " : "{\"path\":"));
    }
    EXPECT_EQ(Joined({}, CatalogFormat::kJson), "[]\n");
    const std::string lines = Joined(entries, CatalogFormat::kJsonLines);
    const std::string second = lines.substr(lines.find('\n') + 1);
    const nlohmann::json missing =
        nlohmann::json::parse(second.substr(0, second.find('\n')), nullptr, false);
    EXPECT_FALSE(missing.value("error", "").empty()) << second;
}

// A file of many bands is held once, as its entry, never beside a half-grown copy of it.
TEST_F(CatalogEntries, AJsonEntryIsWrittenIntoAStringOfItsOwnSize) {
    GDALAllRegister();
    const GatheredEntry entry =
        GatherEntry({MakeEmptyVrt(fixtures.Path("many.vrt"), 2, 2, 300), {}, {}});
    for (const auto& [format, inList] : {std::pair{CatalogFormat::kJsonLines, false},
                                         {CatalogFormat::kJson, true},
                                         {CatalogFormat::kJson, false}}) {
        const std::string text = RenderEntry(entry, format, inList).text;
        ASSERT_GT(text.size(), 300u * 100u);
        EXPECT_LE(text.capacity(), text.size() + 4) << static_cast<int>(format) << inList;
    }
}
