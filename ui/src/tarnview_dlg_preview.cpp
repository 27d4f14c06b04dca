// OnPreview: the thumbnail of the package named in the path box, in the preview window.
#include <QPushButton>

#include "about_dlg.h"
#include "message_box_seam.h"
#include "package_thumbnail.h"
#include "path_box.h"
#include "report.h"
#include "tarnview_dlg.h"
#include "text_conversion.h"
#include "ui_texts.h"

void CTarnviewDlg::OnPreview() {
    UpdateData(true);  // the path as the box now holds it, edited or not
    const std::string localPath = LocalPath();
    // Disabling the focused button would hand the focus on to the path box and select its text;
    // the dialog itself holds it while the button is off.
    if (preview_->hasFocus())
        setFocus(Qt::OtherFocusReason);
    preview_->setEnabled(false);
    if (!EndsInPackageExtension(WideToUtf8(m_strPath)))
        return;

    const PackageThumbnail thumbnail = ReadPackageThumbnail(localPath);
    switch (thumbnail.status) {
        case ThumbnailStatus::kCannotOpen:
            ShowMessageBox({this, kOpenPackageFailedMessage.toString(), kErrorCaption.toString(),
                            QMessageBox::Ok, QMessageBox::NoIcon});
            return;
        case ThumbnailStatus::kNoSize:
        case ThumbnailStatus::kNoMemory:
            ShowMessageBox({this, Utf8ToWide(kThumbnailFailedMessage), kErrorCaption.toString(),
                            QMessageBox::Ok, QMessageBox::NoIcon});
            return;
        case ThumbnailStatus::kRead:
        case ThumbnailStatus::kReadFailed:  // the checkerboard alone
            break;
    }

    CAboutDlg window;
    window.SetImage(thumbnail.rows, thumbnail.pixels.data());
    window.DoModal();
    preview_->setEnabled(true);
    // The button opened the window, so it has the focus again when the window is gone.
    preview_->setFocus(Qt::OtherFocusReason);
}
