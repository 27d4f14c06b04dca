// The files of a catalogue: lists split as find writes them, folders walked in name order.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "file_bytes.h"
#include "path_list.h"
#include "temp_folder.h"

namespace {

using Paths = std::vector<std::string>;

Paths PathsOf(const std::vector<CatalogEntry>& entries, const std::string& root) {
    Paths paths;
    for (const CatalogEntry& entry : entries)
        paths.push_back(entry.path.starts_with(root) ? entry.path.substr(root.size()) : entry.path);
    return paths;
}

}  // namespace

TEST(PathList, SplitsLinesOrNulsAndDropsEmptyEntries) {
    EXPECT_EQ(SplitPathList("a.tif\n\nb c.tif\n", false), (Paths{"a.tif", "b c.tif"}));
    // A NUL-separated list keeps newlines inside names.
    const std::string nul("x\ny.tif\0z.tif\0", 14);
    EXPECT_EQ(SplitPathList(nul, true), (Paths{"x\ny.tif", "z.tif"}));
    EXPECT_TRUE(SplitPathList({}, false).empty());
}

TEST(PathList, ReadsAListFileAndNamesOneThatCannotBeRead) {
    TempFolder folder;
    WriteFileText(folder.Path("list"), "one\ntwo\n");
    const auto read = ReadPathList(folder.Path("list"), false);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (Paths{"one", "two"}));
    const auto missing = ReadPathList(folder.Path("none"), false);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.code(), CatalogCode::kCannotReadList);
    EXPECT_NE(missing.message().find("none"), std::string::npos) << missing.message();
}

TEST(PathList, WalksFoldersInNameOrderWithoutHiddenEntriesOrLinkedFolders) {
    TempFolder folder;
    const std::string root = folder.Root() + "/";
    std::filesystem::create_directories(root + "b/c");
    std::filesystem::create_directories(root + ".hidden");
    for (const char* name : {"b/z.tif", "b/c/y.tif", "a.tif", "c.tif", ".dot.tif", ".hidden/x.tif",
                             "B.tif", "\xff.tif"})
        WriteFileText(root + name, "");
    ASSERT_EQ(::symlink("b", (root + "link").c_str()), 0);
    ASSERT_EQ(::symlink("gone.tif", (root + "broken.tif").c_str()), 0);

    const std::vector<CatalogEntry> walked = ExpandPaths({folder.Root()}, true);
    // Byte order: capitals before small letters, a subfolder where its name falls; the broken
    // link is kept to be refused, the linked folder is not walked.
    EXPECT_EQ(PathsOf(walked, root),
              (Paths{"B.tif", "a.tif", "b/c/y.tif", "b/z.tif", "broken.tif", "c.tif", "\xff.tif"}));
    for (const CatalogEntry& entry : walked)
        EXPECT_TRUE(entry.error.empty());

    // Named hidden files and folders are taken; without -r a folder stays one entry.
    EXPECT_EQ(PathsOf(ExpandPaths({root + ".dot.tif", root + ".hidden"}, true), root),
              (Paths{".dot.tif", ".hidden/x.tif"}));
    EXPECT_EQ(PathsOf(ExpandPaths({root + "b", root + "a.tif"}, false), root),
              (Paths{"b", "a.tif"}));
}

TEST(PathList, AFolderThatCannotBeListedIsAnEntryWithItsError) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    TempFolder folder;
    const std::string locked = folder.Path("locked");
    ASSERT_EQ(::mkdir(locked.c_str(), 0), 0);
    const std::vector<CatalogEntry> walked = ExpandPaths({locked}, true);
    ASSERT_EQ(walked.size(), 1u);
    EXPECT_EQ(walked[0].path, locked);
    EXPECT_TRUE(walked[0].error.starts_with("cannot list the folder")) << walked[0].error;
    ::chmod(locked.c_str(), 0700);
}
