#include "package_messages.h"

#include <array>

namespace {

// In the order of PackageMessage.
constexpr std::array<std::string_view, 8> kMessages = {
    "文件无法打开，请检测文件是否存在",                      // kOpenFailed
    "文件无法打开，请检测文件是否存在",                      // kHeaderReadFailed
    "读取文件头失败，文件已经损坏或非QVRMP文件",             // kHeaderTooShort
    "文件头检验失败，此文件非QVRMP文件",                     // kBadSignature
    "文件头检验失败，金字塔描述有误，文件可能已经损坏",      // kBadPyramid
    "文件头检验失败，数据组织索引不正确，文件可能已经损坏",  // kBadIndexLength
    "文件头长度校验失败，文件已经损坏或非QVRMP文件",         // kHeaderRestShort
    "内存不足，无法读取文件头",                              // kHeaderNoMemory
};

}  // namespace

std::string_view PackageMessageText(PackageMessage message) {
    return kMessages[static_cast<std::size_t>(message)];
}
