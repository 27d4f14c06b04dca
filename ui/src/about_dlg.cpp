#include "about_dlg.h"

#include <QMargins>
#include <QPainter>
#include <QScreen>

#include "app_icon.h"
#include "dialog_templates.h"
#include "dialog_units.h"
#include "modal_seam.h"
#include "thumbnail_image.h"
#include "window_placement.h"

namespace {

// The client area is the picture with this margin on every side.
constexpr int kImageMargin = 5;
constexpr QMargins kImageMargins(kImageMargin, kImageMargin, kImageMargin, kImageMargin);

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    // A resizable border and a maximise box, no minimise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    const DialogTemplate& dialog = PreviewDialogTemplate();
    setWindowTitle(dialog.caption.toString());
    setFont(DialogFont());
    resize(MapDialogSize(dialog.units, BaseUnitsOf(font())));
    setWindowIcon(LoadAppIcon());
    new WorkAreaCentring(*this);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::SetImage(int rows, const std::uint32_t* pixels) {
    m_image.reset();
    // A picture that cannot be made (no rows, no memory) stays as an empty image: the window
    // still shrinks to the margins and draws nothing.
    m_image = std::make_unique<QImage>(ThumbnailImage(pixels, rows));
    // Never beyond the work area: a very tall picture is cut, and the window can still grow.
    resize(m_image->size()
               .grownBy(kImageMargins)
               .boundedTo(screen()->availableGeometry().size() - kFrameAllowance));
    update();
}

int CAboutDlg::DoModal() {
    return RunModal(*this);
}

void CAboutDlg::paintEvent(QPaintEvent*) {
    OnPaint();
}

void CAboutDlg::OnPaint() {
    if (!m_image || m_image->isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(kImageMargin, kImageMargin), *m_image);
}
