// The file layer: counts at the end of a file, absolute offsets, refusals.
#include <gtest/gtest.h>

#include <cerrno>

#include "file_bytes.h"
#include "file_io.h"
#include "temp_folder.h"

TEST(FileIo, ReadsReportTheBytesThereWere) {
    TempFolder dir;
    WriteFileBytes(dir.Path("f"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    FileHandle file = OpenReadOnly(dir.Path("f"));
    ASSERT_TRUE(file.IsValid());

    std::uint8_t buffer[16] = {};
    ReadResult read = ReadBytesAt(file, 8, buffer, 16);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.count, 2u);
    EXPECT_EQ(buffer[0], 9);
    read = ReadBytesAt(file, 1ull << 40, buffer, 16);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.count, 0u);
    EXPECT_FALSE(ReadBytesAt(file, ~0ull, buffer, 16).ok);  // no file position is that large

    std::uint64_t size = 0;
    EXPECT_TRUE(FileSize(file, size));
    EXPECT_EQ(size, 10u);
    CloseFile(file);
    EXPECT_FALSE(file.IsValid());
    CloseFile(file);  // closing twice is harmless
}

TEST(FileIo, OpensOnlyExistingFiles) {
    TempFolder dir;
    EXPECT_FALSE(OpenReadOnly(dir.Path("missing")).IsValid());
    EXPECT_FALSE(OpenReadOnly(dir.Path("")).IsValid());  // a folder
    EXPECT_FALSE(kInvalidFileHandle.IsValid());
}

TEST(FileIo, NewFilesAreNeverOpenedOverOldOnes) {
    TempFolder dir;
    FileHandle file;
    ASSERT_EQ(CreateNewFile(dir.Path("n"), file), 0);
    EXPECT_EQ(WriteBytesAt(file, 5, "abc", 3), 0);
    EXPECT_EQ(SyncFile(file), 0);
    CloseFile(file);
    EXPECT_EQ(ReadFileBytes(dir.Path("n")),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 'a', 'b', 'c'}));
    EXPECT_EQ(CreateNewFile(dir.Path("n"), file), EEXIST);

    EXPECT_EQ(RenameFile(dir.Path("n"), dir.Path("m")), 0);
    EXPECT_EQ(RemoveFile(dir.Path("n")), ENOENT);
    EXPECT_EQ(RemoveFile(dir.Path("m")), 0);
}
