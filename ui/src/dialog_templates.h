// The two dialogs of the tool: the main dialog and the preview window.
#pragma once

#include <QStringView>

#include "dialog_template.h"

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& PreviewDialogTemplate();

// Text of string resource IDS_ABOUTBOX, the window-menu item that opens the empty preview window.
inline constexpr QStringView kAboutMenuText = u"关于 Tarnview(&A)...";
