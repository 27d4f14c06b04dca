// The files of a catalogue: lists split as find writes them, folders walked in name order.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <cstdio>

#include "fixture_folder.h"
#include "path_list.h"
#include "qt_printers.h"

namespace {

std::vector<QByteArray> PathsOf(const std::vector<CatalogEntry>& entries, const QByteArray& root) {
    std::vector<QByteArray> paths;
    for (const CatalogEntry& entry : entries)
        paths.push_back(entry.path.startsWith(root) ? entry.path.mid(root.size()) : entry.path);
    return paths;
}

void Touch(const QByteArray& path) {
    std::FILE* file = std::fopen(path.constData(), "wb");
    ASSERT_NE(file, nullptr) << path.constData();
    std::fclose(file);
}

}  // namespace

TEST(PathList, SplitsLinesOrNulsAndDropsEmptyEntries) {
    EXPECT_EQ(SplitPathList("a.tif\n\nb c.tif\n", false),
              (std::vector<QByteArray>{"a.tif", "b c.tif"}));
    // A NUL-separated list keeps newlines inside names.
    const QByteArray nul("x\ny.tif\0z.tif\0", 14);
    EXPECT_EQ(SplitPathList(nul, true), (std::vector<QByteArray>{"x\ny.tif", "z.tif"}));
    EXPECT_TRUE(SplitPathList({}, false).empty());
}

TEST(PathList, ReadsAListFileAndNamesOneThatCannotBeRead) {
    FixtureFolder folder;
    const QString list = folder.WriteFile(QStringLiteral("list"), "one\ntwo\n");
    const PathListResult read = ReadPathList(list.toUtf8(), false);
    EXPECT_TRUE(read.error.isEmpty());
    EXPECT_EQ(read.paths, (std::vector<QByteArray>{"one", "two"}));
    const PathListResult missing = ReadPathList(folder.Utf8Path(QStringLiteral("none")), false);
    EXPECT_TRUE(missing.paths.empty());
    EXPECT_TRUE(missing.error.contains("none")) << missing.error.constData();
}

TEST(PathList, WalksFoldersInNameOrderWithoutHiddenEntriesOrLinkedFolders) {
    FixtureFolder folder;
    const QByteArray root = folder.Utf8Path({});
    QDir(QString::fromUtf8(root)).mkpath(QStringLiteral("b/c"));
    QDir(QString::fromUtf8(root)).mkpath(QStringLiteral(".hidden"));
    for (const char* name : {"b/z.tif", "b/c/y.tif", "a.tif", "c.tif", ".dot.tif", ".hidden/x.tif",
                             "B.tif", "\xff.tif"})
        Touch(root + name);
    ASSERT_EQ(::symlink("b", (root + "link").constData()), 0);
    ASSERT_EQ(::symlink("gone.tif", (root + "broken.tif").constData()), 0);

    const std::vector<CatalogEntry> walked = ExpandPaths({root.chopped(1)}, true);
    // Byte order: capitals before small letters, a subfolder where its name falls; the broken
    // link is kept to be refused, the linked folder is not walked.
    EXPECT_EQ(PathsOf(walked, root),
              (std::vector<QByteArray>{"B.tif", "a.tif", "b/c/y.tif", "b/z.tif", "broken.tif",
                                       "c.tif", "\xff.tif"}));
    for (const CatalogEntry& entry : walked)
        EXPECT_TRUE(entry.error.isEmpty());

    // Named hidden files and folders are taken; without -r a folder stays one entry.
    EXPECT_EQ(PathsOf(ExpandPaths({root + ".dot.tif", root + ".hidden"}, true), root),
              (std::vector<QByteArray>{".dot.tif", ".hidden/x.tif"}));
    EXPECT_EQ(PathsOf(ExpandPaths({root + "b", root + "a.tif"}, false), root),
              (std::vector<QByteArray>{"b", "a.tif"}));
}

TEST(PathList, AFolderThatCannotBeListedIsAnEntryWithItsError) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    FixtureFolder folder;
    const QByteArray locked = folder.Utf8Path(QStringLiteral("locked"));
    ASSERT_EQ(::mkdir(locked.constData(), 0), 0);
    const std::vector<CatalogEntry> walked = ExpandPaths({locked}, true);
    ASSERT_EQ(walked.size(), 1u);
    EXPECT_EQ(walked[0].path, locked);
    EXPECT_TRUE(walked[0].error.startsWith("cannot list the folder"))
        << walked[0].error.constData();
    ::chmod(locked.constData(), 0700);
}
