// A reader over the caller's own byte source reads exactly what it reads from the file, asks for
// no byte outside the source, and copes with a source that does not know its size.
#include <gtest/gtest.h>

#include <cstring>

#include "file_bytes.h"
#include "package_reader.h"
#include "temp_folder.h"
#include "written_packages.h"

namespace {

// A package held in memory; counts the bytes asked for past its end.
class MemorySource final : public ByteSource {
  public:
    MemorySource(std::vector<std::uint8_t> bytes, bool knowsSize)
        : bytes_(std::move(bytes)), knowsSize_(knowsSize) {}

    ReadResult ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        if (offset + size > bytes_.size())
            ++readsPastEnd;
        const std::size_t available = offset < bytes_.size() ? bytes_.size() - offset : 0;
        const std::size_t count = std::min(size, available);
        std::memcpy(buffer, bytes_.data() + std::min<std::uint64_t>(offset, bytes_.size()), count);
        return {true, count};
    }
    std::optional<std::uint64_t> Size() override {
        return knowsSize_ ? std::optional<std::uint64_t>(bytes_.size()) : std::nullopt;
    }

    int readsPastEnd = 0;

  private:
    std::vector<std::uint8_t> bytes_;
    bool knowsSize_;
};

std::vector<std::uint32_t> Thumbnail(PackageReader& reader, std::int64_t& result) {
    std::vector<std::uint32_t> pixels(std::size_t{kRegionOutputWidth} * 256, 0);
    result = reader.ReadRegionRgba(static_cast<std::int32_t>(reader.Width()),
                                   static_cast<std::int32_t>(reader.Height()), pixels.data(), 256);
    return pixels;
}

}  // namespace

TEST(ByteSource, ACallersSourceReadsLikeTheFile) {
    TempFolder dir;
    const std::string path = dir.Path("p.qvrmp");
    PackageWriteOptions lossless;
    lossless.lossless = true;
    ASSERT_TRUE(WriteImagePackage(path, CoordinateImage(3000, 1500, 4), lossless).ok());
    std::string error;
    const PackageHandle fromFile(OpenPackage(path, error));
    ASSERT_TRUE(fromFile) << error;
    std::int64_t fileResult = 0;
    const std::vector<std::uint32_t> expected = Thumbnail(*fromFile, fileResult);
    ASSERT_GT(fileResult, 0);

    for (const bool knowsSize : {true, false}) {
        auto source = std::make_unique<MemorySource>(ReadFileBytes(path), knowsSize);
        MemorySource& memory = *source;
        const PackageHandle reader(OpenPackage(std::move(source), error));
        ASSERT_TRUE(reader) << error;
        std::int64_t result = 0;
        EXPECT_EQ(Thumbnail(*reader, result), expected) << "size known: " << knowsSize;
        EXPECT_EQ(result, fileResult);
        EXPECT_EQ(memory.readsPastEnd, 0);
    }
}

TEST(ByteSource, NoSourceIsAFileThatCannotBeOpened) {
    std::string error;
    EXPECT_EQ(OpenPackage(std::unique_ptr<ByteSource>(), error), nullptr);
    EXPECT_EQ(error, "文件无法打开，请检测文件是否存在");
}
