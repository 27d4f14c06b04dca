// The messages and captions the dialogs show.
#pragma once

#include <QStringView>

#include "package_thumbnail.h"  // kThumbnailFailedMessage, the preview's own

inline constexpr QStringView kOneFileOnlyMessage = u"仅支持拖拽一个文件!";
inline constexpr QStringView kNoticeCaption = u"提示";
inline constexpr QStringView kOpenPackageFailedMessage = u"打开压缩包失败!!!";
inline constexpr QStringView kErrorCaption = u"错误";
