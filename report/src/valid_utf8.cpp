#include <cstddef>

#include "text_helpers.h"

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

// The ranges of the second byte rule out overlong forms, surrogates and code points past U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            secondLow = 0xA0;
        if (lead == 0xED)
            secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            secondLow = 0x90;
        if (lead == 0xF4)
            secondHigh = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() - at < length)
        return 0;
    if (byte(1) < secondLow || byte(1) > secondHigh)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(byte(i)))
            return 0;
    }
    return length;
}

std::string ValidUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            text += kReplacementCharacter;
            ++at;
        } else {
            text.append(bytes.substr(at, length));
            at += length;
        }
    }
    return text;
}
