#include "dialog_templates.h"

#include "resource_ids.h"

namespace {

constexpr LayoutRecord kStays{0, 0, 0, 0};
constexpr LayoutRecord kWidens{0, 0, 100, 0};
constexpr LayoutRecord kMovesRight{100, 0, 0, 0};
constexpr LayoutRecord kWidensAndGrows{0, 0, 100, 100};

const ControlTemplate kMainControls[] = {
    {IDC_STATIC, u"IDC_STATIC", ControlKind::Label, u"影像文件路径:", QRect(7, 7, 44, 8), true,
     kStays},
    {IDC_PATH, u"IDC_PATH", ControlKind::LineEdit, u"", QRect(54, 7, 235, 14), true, kWidens},
    {IDC_BROWSE, u"IDC_BROWSE", ControlKind::PushButton, u"选择影像文件", QRect(290, 7, 50, 14),
     true, kMovesRight},
    {IDC_REPORT, u"IDC_REPORT", ControlKind::ReportBox, u"", QRect(7, 21, 376, 295), true,
     kWidensAndGrows},
    {IDC_PREVIEW, u"IDC_PREVIEW", ControlKind::PushButton, u"预览", QRect(346, 7, 37, 14), false,
     kMovesRight},
};

const DialogTemplate kMainDialog{IDD_MAIN_DIALOG, u"Tarnview v2.0", QSize(390, 323), kMainControls};

const DialogTemplate kPreviewDialog{IDD_PREVIEW_DIALOG, u"预览", QSize(250, 181), {}};

}  // namespace

const DialogTemplate& MainDialogTemplate() {
    return kMainDialog;
}
const DialogTemplate& PreviewDialogTemplate() {
    return kPreviewDialog;
}
