// Each file's entry: refused before opening where it would fail or block, rendered as text with
// its header or as JSON whose path keeps the system's bytes, and joined into valid JSON.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "catalog_entry.h"
#include "entry_output.h"
#include "fixture_folder.h"
#include "qt_printers.h"

namespace {

class CatalogEntries : public ::testing::Test {
  protected:
    FixtureFolder fixtures;
    QByteArray Raster(const QString& name) {
        RasterRecipe recipe;
        recipe.geoTransform = {{10, 1, 0, 20, 0, -1}};
        return fixtures.MakeGeoTiff(name, recipe).toUtf8();
    }
    // Opening, the entries and their separators, closing: what the catalogue writes.
    static QByteArray Joined(const std::vector<GatheredEntry>& entries, CatalogFormat format) {
        QByteArray out = ListOpening(format, true, entries.empty());
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
    const QByteArray missing = fixtures.Utf8Path(QStringLiteral("missing.tif"));
    const QByteArray broken = fixtures.Utf8Path(QStringLiteral("broken.tif"));
    const QByteArray fifo = fixtures.Utf8Path(QStringLiteral("fifo.qvrmp"));
    ASSERT_EQ(::symlink("nowhere.tif", broken.constData()), 0);
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_EQ(RefusalOf(missing), QByteArray("no such file"));
    EXPECT_EQ(RefusalOf(broken), QByteArray("broken symbolic link"));
    EXPECT_EQ(RefusalOf(fifo), QByteArray("not a regular file (a FIFO, a device or a socket)"));
    EXPECT_EQ(RefusalOf("/dev/zero"), RefusalOf(fifo));
    EXPECT_TRUE(RefusalOf(fixtures.Utf8Path({}))->startsWith("a folder"));
    EXPECT_EQ(RefusalOf(Raster(QStringLiteral("r.tif"))), std::nullopt);

    const GatheredEntry refused = GatherEntry({fifo, {}, {}});
    EXPECT_TRUE(refused.facts.Failed());
    EXPECT_EQ(refused.facts.error,
              QStringLiteral("not a regular file (a FIFO, a device or a socket)"));
    // An error found while listing is kept, whatever the path is now.
    const GatheredEntry known = GatherEntry({Raster(QStringLiteral("k.tif")), "cannot list", {}});
    EXPECT_EQ(known.facts.error, QStringLiteral("cannot list"));
}

TEST_F(CatalogEntries, UnreadableFileIsRefused) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const QByteArray path = Raster(QStringLiteral("locked.tif"));
    ASSERT_EQ(::chmod(path.constData(), 0), 0);
    EXPECT_EQ(RefusalOf(path), QByteArray("permission denied"));
}

TEST_F(CatalogEntries, TextHasItsHeaderOnlyInAList) {
    const GatheredEntry entry = GatherEntry({Raster(QStringLiteral("r.tif")), {}, {}});
    const QByteArray alone = RenderEntry(entry, CatalogFormat::kText, false).text;
    const QByteArray listed = RenderEntry(entry, CatalogFormat::kText, true).text;
    EXPECT_TRUE(alone.endsWith('\n'));
    EXPECT_FALSE(alone.contains('\r'));
    EXPECT_EQ(listed, "==> " + entry.path + " <==\n" + alone);
    EXPECT_EQ(ListSeparator(CatalogFormat::kText, true), "\n");
}

TEST_F(CatalogEntries, JsonPathKeepsTheSystemsBytesAndEscapesWhatJsonMust) {
    EXPECT_EQ(JsonPathString("a\"b\\c\n\x01\xff\xc3\xa9"),
              QByteArray("\"a\\\"b\\\\c\\u000a\\u0001\xff\xc3\xa9\""));
    const QByteArray odd = fixtures.Utf8Path(QStringLiteral("x.tif")).replace("x.tif", "\xff.tif");
    const GatheredEntry entry = GatherEntry({odd, {}, {}});
    const QByteArray line = RenderEntry(entry, CatalogFormat::kJsonLines, false).text;
    EXPECT_EQ(line, "{\"path\":" + JsonPathString(odd) + ",\"error\":\"no such file\"}\n");
    EXPECT_TRUE(RenderEntry(entry, CatalogFormat::kJsonLines, false).failed);
}

TEST_F(CatalogEntries, JsonEntriesJoinIntoOneValidArrayWithThePathFirst) {
    const std::vector<GatheredEntry> entries = {
        GatherEntry({Raster(QStringLiteral("a.tif")), {}, {}}),
        GatherEntry({fixtures.Utf8Path(QStringLiteral("missing.qvrmp")), {}, {}}),
        GatherEntry({Raster(QStringLiteral("b.tif")), {}, {}})};
    for (const CatalogFormat format : {CatalogFormat::kJson, CatalogFormat::kJsonCompact}) {
        const QByteArray text = Joined(entries, format);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(text, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
        const QJsonArray array = document.array();
        ASSERT_EQ(array.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonObject object = array[i].toObject();
            EXPECT_EQ(object[QStringLiteral("path")].toString().toUtf8(), entries[i].path);
            EXPECT_EQ(object.contains(QStringLiteral("error")), i == 1);
        }
        // The same object as it stands alone, only the path moved to the front.
        const QByteArray alone = RenderEntry(entries[0], format, false).text;
        EXPECT_EQ(QJsonDocument::fromJson(alone).object(), array[0].toObject());
        EXPECT_TRUE(
            alone.startsWith(format == CatalogFormat::kJson ? "{\n    \"path\": " : "{\"path\":"));
    }
    EXPECT_EQ(Joined({}, CatalogFormat::kJson), "[]\n");
    EXPECT_EQ(QJsonDocument::fromJson(Joined(entries, CatalogFormat::kJsonLines).split('\n')[1])
                  .object()[QStringLiteral("error")]
                  .toString()
                  .isEmpty(),
              false);
}
