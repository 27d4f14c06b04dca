// The default byte source: a file opened through the file layer.
#include "byte_source.h"

namespace {

class FileByteSource final : public ByteSource {
  public:
    explicit FileByteSource(FileHandle file) : file_(file) {}
    ~FileByteSource() override { CloseFile(file_); }
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    ReadResult ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        return ReadBytesAt(file_, offset, buffer, size);
    }

    std::optional<std::uint64_t> Size() override {
        std::uint64_t size = 0;
        if (!FileSize(file_, size)) {
            return std::nullopt;
        }
        return size;
    }

    std::uint64_t NextDataAt(std::uint64_t offset) override {
        return NextDataOffset(file_, offset);
    }

  private:
    FileHandle file_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFileByteSource(const std::string& path) {
    const FileHandle file = OpenReadOnly(path);
    if (!file.IsValid()) {
        return nullptr;
    }
    return std::make_unique<FileByteSource>(file);
}
