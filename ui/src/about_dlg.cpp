#include "about_dlg.h"

#include <algorithm>

#include <QMargins>
#include <QPainter>
#include <QWindow>

#include "dialog_templates.h"
#include "dialog_units.h"
#include "modal_seam.h"
#include "thumbnail_image.h"
#include "window_placement.h"

namespace {

// The window's outer size is the picture's plus these, and the picture sits at kImageOrigin.
constexpr int kExtraOuterWidth = 32;
constexpr int kExtraOuterHeight = 48;
constexpr QPoint kImageOrigin(5, 5);

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
    new WorkAreaCentring(*this);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::SetImage(int rows, const std::uint32_t* pixels) {
    m_image.reset();
    // A picture that cannot be made (no rows, no memory) stays as an empty image: the window
    // still shrinks to the margins on its first paint and draws nothing.
    m_image = std::make_unique<QImage>(ThumbnailImage(pixels, rows));
    update();
    m_firstPaint = true;
}

int CAboutDlg::DoModal() {
    return RunModal(*this);
}

void CAboutDlg::paintEvent(QPaintEvent*) {
    OnPaint();
}

void CAboutDlg::OnPaint() {
    if (!m_image)
        return;
    if (m_firstPaint) {
        // The outer size includes the window manager's frame; the top-left corner stays put.
        const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        const int outerWidth = m_image->width() + kExtraOuterWidth;
        const int outerHeight = m_image->height() + kExtraOuterHeight;
        resize(std::max(0, outerWidth - frame.left() - frame.right()),
               std::max(0, outerHeight - frame.top() - frame.bottom()));
        m_firstPaint = false;
    }
    if (m_image->isNull())
        return;
    QPainter painter(this);
    painter.drawImage(kImageOrigin, *m_image);
}
