#include "vsi_byte_source.h"

namespace {

constexpr std::uint64_t kHoleProbe = std::uint64_t{1} << 20;  // bytes asked about at a time

class VsiByteSource final : public ByteSource {
  public:
    VsiByteSource(VSILFILE* file, bool remote) : file_(file), remote_(remote) {}
    ~VsiByteSource() override { VSIFCloseL(file_); }
    VsiByteSource(const VsiByteSource&) = delete;
    VsiByteSource& operator=(const VsiByteSource&) = delete;

    ReadResult ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        if (VSIFSeekL(file_, offset, SEEK_SET) != 0) {
            return ReadResult{false, 0};
        }
        const std::size_t count = VSIFReadL(buffer, 1, size, file_);
        // A short read is the end of the data only when the file says so; otherwise it failed.
        return ReadResult{count == size || VSIFEofL(file_) != 0, count};
    }

    // The size is asked before every block read; for remote files finding it costs a request, so
    // it is found once.
    std::optional<std::uint64_t> Size() override {
        if (!sizeKnown_) {
            sizeKnown_ = true;
            if (VSIFSeekL(file_, 0, SEEK_END) == 0) {
                size_ = VSIFTellL(file_);
            }
        }
        return size_;
    }

    // A range the file system knows to be a hole is skipped whole, a chunk at a time.
    std::uint64_t NextDataAt(std::uint64_t offset) override {
        std::uint64_t next = offset;
        while (VSIFGetRangeStatusL(file_, next, kHoleProbe) == VSI_RANGE_STATUS_HOLE) {
            next += kHoleProbe;
        }
        return next;
    }

    bool PrefersFewReads() const override { return remote_; }

  private:
    VSILFILE* file_;
    bool remote_;
    bool sizeKnown_ = false;
    std::optional<std::uint64_t> size_;
};

}  // namespace

std::unique_ptr<ByteSource> MakeVsiByteSource(VSILFILE* file, bool remote) {
    if (file == nullptr) {
        return nullptr;
    }
    return std::make_unique<VsiByteSource>(file, remote);
}
