// A fuzz input read as the package file it stands for (see fuzz_input.h), straight from the
// input's bytes: the header prefix, zeros up to the tail offset, then the tail. Nothing is copied
// and no file is touched, so a reader over it costs only what the reader itself does.
#pragma once

#include <algorithm>
#include <cstring>

#include "byte_source.h"
#include "fuzz_input.h"

class FuzzInputByteSource final : public ByteSource {
  public:
    FuzzInputByteSource(const std::uint8_t* data, std::size_t size) {
        if (size < kFuzzInputHead) {
            prefix_ = data;
            prefixSize_ = size;
            tailOffset_ = size;
            return;
        }
        prefixSize_ =
            std::min<std::size_t>(size - kFuzzInputHead, data[0] | std::size_t{data[1]} << 8);
        prefix_ = data + kFuzzInputHead;
        tailOffset_ =
            std::max(prefixSize_, kFuzzMinTailOffset + kFuzzGapUnit * (data[2] % kFuzzGapSteps));
        tail_ = prefix_ + prefixSize_;
        tailSize_ = size - kFuzzInputHead - prefixSize_;
    }

    ReadResult ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        const std::uint64_t end = tailOffset_ + tailSize_;
        if (offset >= end) {
            return {true, 0};
        }
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(size, end - offset));
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (std::size_t done = 0; done < count;) {
            const std::uint64_t at = offset + done;
            std::size_t run = 0;
            if (at < prefixSize_) {
                run = std::min(count - done, static_cast<std::size_t>(prefixSize_ - at));
                std::memcpy(out + done, prefix_ + at, run);
            } else if (at < tailOffset_) {
                run = std::min(count - done, static_cast<std::size_t>(tailOffset_ - at));
                std::memset(out + done, 0, run);
            } else {
                run = count - done;
                std::memcpy(out + done, tail_ + (at - tailOffset_), run);
            }
            done += run;
        }
        return {true, count};
    }

    std::optional<std::uint64_t> Size() override { return tailOffset_ + tailSize_; }

  private:
    const std::uint8_t* prefix_ = nullptr;
    std::size_t prefixSize_ = 0;
    std::size_t tailOffset_ = 0;
    const std::uint8_t* tail_ = nullptr;
    std::size_t tailSize_ = 0;
};
