// Opening packages: the header checks in their order, the messages, the level tables, and that a
// failed open leaves nothing behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "file_bytes.h"
#include "open_package.h"
#include "package_layout.h"
#include "package_messages.h"
#include "package_reader.h"
#include "temp_folder.h"
#include "written_packages.h"

namespace {

const std::string kOpenFailed{PackageMessageText(PackageMessage::kOpenFailed)};
const std::string kTooShort{PackageMessageText(PackageMessage::kHeaderTooShort)};
const std::string kSignature{PackageMessageText(PackageMessage::kBadSignature)};
const std::string kPyramid{PackageMessageText(PackageMessage::kBadPyramid)};
const std::string kIndex{PackageMessageText(PackageMessage::kBadIndexLength)};
const std::string kRestShort{PackageMessageText(PackageMessage::kHeaderRestShort)};

// Descriptors open in this process, to see that failed opens close what they opened.
int OpenDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

// The message a failed open leaves in a caller's text that held something before.
std::string OpenError(const std::string& path) {
    std::string errorText = "previous text";
    if (PackageHandle(OpenPackage(path, errorText)) != nullptr) {
        return "opened";
    }
    return errorText;
}

class PackageOpen : public ::testing::Test {
  protected:
    std::string Written(std::uint32_t width, std::uint32_t height) {
        const std::string path = dir.Path(std::to_string(width) + "x" + std::to_string(height));
        const PackageWriteResult result = WriteEmptyPackage(path, width, height);
        EXPECT_TRUE(result.ok()) << result.message();
        return path;
    }

    TempFolder dir;
};

}  // namespace

TEST_F(PackageOpen, WrittenHeadersOpenWithTheirLevelTables) {
    struct Case {
        std::uint32_t width, height, topLevel, headerLength;
        std::uint64_t entries;
    };
    const Case cases[] = {
        {2048, 2048, 0, 65536, 1},
        {2049, 100, 1, 65536, 3},
        {100000, 50000, 6, 65536, 1680},
        {131072, 131072, 6, 73728, 5461},  // 66556 bytes of index: 6 x 12288, not 65536 + 12288
        {143360, 143360, 7, 86016, 6569},
        {143360, 116736, 7, 65536, 5376},  // the index exactly fills the smallest header
        {157696, 106496, 7, 73728, 5377},
        {0, 3000, 1, 65536, 0},
        {67108864, 1, 15, 798720, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const std::string path = Written(c.width, c.height);
        EXPECT_EQ(std::filesystem::file_size(path), c.headerLength);  // all tiles absent
        std::string errorText;
        const PackageHandle reader(OpenPackage(path, errorText));
        ASSERT_NE(reader, nullptr) << errorText;
        EXPECT_EQ(reader->Width(), c.width);
        EXPECT_EQ(reader->Height(), c.height);
        EXPECT_EQ(reader->TopLevel(), c.topLevel);
        EXPECT_EQ(reader->HeaderLength(), c.headerLength);
        // The index is held as far as it goes, never its padding.
        EXPECT_EQ(reader->header.size(),
                  std::max<std::uint64_t>(kMinHeaderLength, IndexEntryOffset(c.entries)));
        EXPECT_EQ(reader->GeoTransform(), kTestGeoTransform);
        std::uint64_t entries = 0;
        for (int level = 0; level < kMaxLevels; ++level) {
            if (static_cast<std::uint32_t>(level) > c.topLevel) {
                EXPECT_EQ(reader->levelBase[level], 0);
                EXPECT_EQ(reader->levelRows[level], 0);
                EXPECT_EQ(reader->levelColumns[level], 0);
                continue;
            }
            EXPECT_EQ(static_cast<std::uint64_t>(reader->levelBase[level]), entries);
            entries += static_cast<std::uint64_t>(reader->levelRows[level]) *
                       static_cast<std::uint64_t>(reader->levelColumns[level]);
        }
        EXPECT_EQ(entries, c.entries);
        if (c.width > 0) {
            EXPECT_EQ(reader->levelRows[c.topLevel], 1);  // the coarsest level is one tile
            EXPECT_EQ(reader->levelColumns[c.topLevel], 1);
        }
        EXPECT_EQ(errorText, "");
    }
}

TEST_F(PackageOpen, LevelTablesOfASmallPackage) {
    PackageHandle reader = OpenOrFail(Written(2049, 100));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->levelBase[0], 0);
    EXPECT_EQ(reader->levelBase[1], 2);
    EXPECT_EQ(reader->levelRows[0], 1);
    EXPECT_EQ(reader->levelRows[1], 1);
    EXPECT_EQ(reader->levelColumns[0], 2);
    EXPECT_EQ(reader->levelColumns[1], 1);

    reader = OpenOrFail(Written(5000, 3000));  // topLevel 2
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->TopLevel(), 2u);
    const std::int32_t bases[] = {0, 6, 8}, rows[] = {2, 1, 1}, columns[] = {3, 2, 1};
    for (int level = 0; level < kMaxLevels; ++level) {
        EXPECT_EQ(reader->levelBase[level], level <= 2 ? bases[level] : 0) << level;
        EXPECT_EQ(reader->levelRows[level], level <= 2 ? rows[level] : 0) << level;
        EXPECT_EQ(reader->levelColumns[level], level <= 2 ? columns[level] : 0) << level;
    }
}

TEST_F(PackageOpen, MissingFilesAndFoldersCannotBeOpened) {
    EXPECT_EQ(OpenError(dir.Path("missing.qvrmp")), kOpenFailed);
    EXPECT_EQ(OpenError(dir.Path("")), kOpenFailed);  // the folder itself
}

TEST_F(PackageOpen, AFailedFirstReadGivesTheOpenMessage) {
    // Reading this process's memory from address 0 fails, though the file opens.
    if (::access("/proc/self/mem", R_OK) != 0) {
        GTEST_SKIP() << "no /proc/self/mem";
    }
    EXPECT_EQ(OpenError("/proc/self/mem"), kOpenFailed);
}

TEST_F(PackageOpen, FilesShorterThanTheSmallestHeaderAreRefusedBeforeAnyCheck) {
    const std::string path = Written(2048, 2048);
    ResizeFile(path, 65535);
    EXPECT_EQ(OpenError(path), kTooShort);
    PatchU32(path, kMagicOffset, 0);  // a bad signature changes nothing: no field is tested
    EXPECT_EQ(OpenError(path), kTooShort);
    ResizeFile(path, 0);
    EXPECT_EQ(OpenError(path), kTooShort);
}

TEST_F(PackageOpen, ExactlyTheSmallestHeaderOpensWithoutAnyTile) {
    const std::string path = Written(2048, 2048);
    ASSERT_EQ(std::filesystem::file_size(path), 65536u);
    std::string errorText = "kept";
    const PackageHandle reader(OpenPackage(path, errorText));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(errorText, "kept");  // untouched on success
    EXPECT_NE(reader->source, nullptr);
    EXPECT_TRUE(reader->errorText.empty());
}

TEST_F(PackageOpen, SignatureWords) {
    const std::string path = Written(2048, 2048);
    PatchU32(path, kMagic2Offset, 0x4C4C594C);
    EXPECT_EQ(OpenError(path), kSignature);
    PatchU32(path, kMagic2Offset, 0xFFFFFFFF);
    EXPECT_EQ(OpenError(path), "opened");
    PatchU32(path, kMagic2Offset, 0x4C4C594D);
    PatchU32(path, kMagicOffset, 0x4C4C594E);
    EXPECT_EQ(OpenError(path), kSignature);
}

TEST_F(PackageOpen, TheFirstFailingCheckDecides) {
    const std::string path = Written(2049, 100);
    PatchU32(path, kTopLevelOffset, 0);          // wrong level
    PatchU32(path, kHeaderLengthOffset, 77824);  // and wrong length
    EXPECT_EQ(OpenError(path), kPyramid);
    PatchU32(path, kMagicOffset, 0);  // a bad signature comes before both
    EXPECT_EQ(OpenError(path), kSignature);
    PatchU32(path, kMagicOffset, kPackageMagic);
    PatchU32(path, kTopLevelOffset, 1);
    EXPECT_EQ(OpenError(path), kIndex);
    PatchU32(path, kHeaderLengthOffset, 65536);
    EXPECT_EQ(OpenError(path), "opened");
}

TEST_F(PackageOpen, SizesBeyondTheLargestLevelHaveNoValidTopLevel) {
    const std::string path = Written(67108864, 1);
    EXPECT_EQ(OpenError(path), "opened");
    PatchU32(path, kWidthOffset, 67108865);
    for (std::uint32_t topLevel : {15u, 16u, 0xFFFFFFFFu}) {
        PatchU32(path, kTopLevelOffset, topLevel);
        EXPECT_EQ(OpenError(path), kPyramid) << topLevel;
    }
}

TEST_F(PackageOpen, ALongHeaderMustBeInTheFileWhole) {
    const std::string path = Written(131072, 131072);  // headerLength 73728
    ResizeFile(path, 70000);
    EXPECT_EQ(OpenError(path), kRestShort);
    ResizeFile(path, 73727);
    EXPECT_EQ(OpenError(path), kRestShort);
    ResizeFile(path, 73728);
    EXPECT_EQ(OpenError(path), "opened");
}

TEST_F(PackageOpen, AForgedHeaderLengthIsRefusedWithoutReadingIt) {
    // 8,000,000 x 8,000,000 needs a header of ~224 MB; the file holds 64 KiB of it.
    const std::string path = Written(2048, 2048);
    PatchU32(path, kWidthOffset, 8000000);
    PatchU32(path, kHeightOffset, 8000000);
    PatchU32(path, kTopLevelOffset, 12);
    const std::uint64_t length = ExpectedHeaderLength(8000000, 8000000, 12);
    ASSERT_LT(length, 0xFFFFFFFFull);
    PatchU32(path, kHeaderLengthOffset, static_cast<std::uint32_t>(length));
    EXPECT_EQ(OpenError(path), kRestShort);
}

TEST_F(PackageOpen, FailedOpensLeaveNoFileOpen) {
    const std::string valid = Written(131072, 131072);
    const std::string shortRest = dir.Path("short-rest");
    std::filesystem::copy_file(valid, shortRest);
    ResizeFile(shortRest, 70000);
    const std::string badSignature = dir.Path("bad-signature");
    std::filesystem::copy_file(valid, badSignature);
    PatchU32(badSignature, kMagicOffset, 1);
    const std::string tooShort = dir.Path("too-short");
    std::filesystem::copy_file(valid, tooShort);
    ResizeFile(tooShort, 10);

    const int before = OpenDescriptorCount();
    for (const std::string& path : {shortRest, badSignature, tooShort}) {
        EXPECT_NE(OpenError(path), "opened") << path;
    }
    EXPECT_EQ(OpenDescriptorCount(), before);

    PackageHandle reader = OpenOrFail(valid);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(OpenDescriptorCount(), before + 1);  // the file stays open while the reader lives
    reader.reset();
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(PackageOpen, NonAsciiPathsOpen) {
    const std::string path = dir.Path("影像 金字塔 ü.qvrmp");
    ASSERT_TRUE(WriteEmptyPackage(path, 3000, 2000).ok());
    EXPECT_EQ(OpenError(path), "opened");
}

TEST(ValidateHeader, ReturnsTheCheckThatFailedAndItsMessage) {
    PackageReader reader;
    reader.header.assign(kMinHeaderLength, 0);
    auto set = [&](std::size_t offset, std::uint32_t value) {
        StoreU32(reader.header.data() + offset, value);
    };
    EXPECT_EQ(reader.ValidateHeader(), -1);
    EXPECT_EQ(reader.errorText, kSignature);

    set(kMagicOffset, kPackageMagic);
    set(kMagic2Offset, kMinPackageMagic2);
    set(kWidthOffset, 4096);
    set(kHeightOffset, 4097);
    set(kTopLevelOffset, 1);
    set(kHeaderLengthOffset, 65536);
    EXPECT_EQ(reader.ValidateHeader(), -2);  // 4097 needs level 2
    EXPECT_EQ(reader.errorText, kPyramid);

    set(kTopLevelOffset, 2);
    set(kHeaderLengthOffset, 73728);
    EXPECT_EQ(reader.ValidateHeader(), -3);
    EXPECT_EQ(reader.errorText, kIndex);

    set(kHeaderLengthOffset, 65536);
    reader.errorText = "untouched";
    EXPECT_EQ(reader.ValidateHeader(), 0);
    EXPECT_EQ(reader.errorText, "untouched");
}
