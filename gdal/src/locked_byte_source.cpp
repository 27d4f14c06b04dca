#include "locked_byte_source.h"

#include <mutex>

namespace {

class LockedByteSource final : public ByteSource {
  public:
    explicit LockedByteSource(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

    ReadResult ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        return source_->ReadAt(offset, buffer, size);
    }

    std::optional<std::uint64_t> Size() override {
        const std::lock_guard<std::mutex> lock(mutex_);
        return source_->Size();
    }

    std::uint64_t NextDataAt(std::uint64_t offset) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        return source_->NextDataAt(offset);
    }

  private:
    std::unique_ptr<ByteSource> source_;
    std::mutex mutex_;
};

}  // namespace

std::unique_ptr<ByteSource> MakeLockedByteSource(std::unique_ptr<ByteSource> source) {
    if (!source) {
        return nullptr;
    }
    return std::make_unique<LockedByteSource>(std::move(source));
}
