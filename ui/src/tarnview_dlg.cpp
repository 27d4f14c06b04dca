#include "tarnview_dlg.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <optional>

#include "about_dlg.h"
#include "app_icon.h"
#include "data_exchange.h"
#include "dialog_templates.h"
#include "dialog_units.h"
#include "file_dialog_seam.h"
#include "message_box_seam.h"
#include "path_box.h"
#include "report.h"
#include "report_box.h"
#include "resource_ids.h"
#include "text_conversion.h"
#include "ui_texts.h"
#include "window_placement.h"
#include "x11_frame_hints.h"

namespace {

constexpr int kPathMaxChars = 0x10000;

constexpr FileFilter kBrowseFilters[] = {
    {u"TIFF/BigTIFF/GeoTIFF ", u"*.tif;*.tiff"},
    {u"Erdas Image ", u"*.img"},
    {u"QVRMP ", u"*.qvrmp"},
    {u"所有类型 ", u"*.*"},
};

struct DroppedNames {
    QStringList paths;         // as text
    QList<QByteArray> locals;  // the same, byte for byte as the system names them
};

// Local paths of a drag, or nothing when it is not a drag of local files and folders.
std::optional<DroppedNames> DroppedPaths(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return std::nullopt;
    DroppedNames names;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return std::nullopt;
        names.paths << url.toLocalFile();
        // The URL keeps bytes that are not UTF-8 percent-encoded.
        names.locals << QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    }
    return names;
}

}  // namespace

CTarnviewDlg::CTarnviewDlg(QWidget* parent) : QDialog(parent), m_hIcon(LoadAppIcon()) {
    // A top-level window of its own (with a taskbar entry), minimise and maximise boxes.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    new WorkAreaCentring(*this);
    CreateControls();
    OnInitDialog();
}

CTarnviewDlg::~CTarnviewDlg() = default;

void CTarnviewDlg::CreateControls() {
    const DialogTemplate& dialog = MainDialogTemplate();
    setWindowTitle(dialog.caption.toString());
    // Smaller type where the template would not fit on the work area with a frame around it.
    setFont(
        DialogFontFitting(dialog.units, screen()->availableGeometry().size() - kFrameAllowance));
    const DialogBaseUnits base = BaseUnitsOf(font());
    resize(MapDialogSize(dialog.units, base));

    // Created in template order, which Qt takes as the tab order.
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::Label:
                widget = label_ = new QLabel(control.text.toString(), this);
                label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                break;
            case ControlKind::LineEdit:
                widget = path_ = new PathBox(this);
                break;
            case ControlKind::PushButton: {
                auto* button = new QPushButton(control.text.toString(), this);
                button->setAutoDefault(false);
                (control.id == IDC_BROWSE ? browse_ : preview_) = button;
                widget = button;
                break;
            }
            case ControlKind::ReportBox:
                widget = report_ = new ReportBox(this);
                report_->SetTabStops(base);
                break;
        }
        // A drop anywhere on the window, the boxes included, is the dialog's: no control may take
        // a file manager's drag (which carries the URLs as text too) before the dialog does.
        widget->setAcceptDrops(false);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
            area->viewport()->setAcceptDrops(false);
        widget->setObjectName(control.name.toString());
        widget->setGeometry(MapDialogRect(control.units, base));
        widget->setEnabled(control.initiallyEnabled);
        layout_.Add(widget, control.layout);
    }
    layout_.Start(size());
    // No resizing border: only maximising and restoring change the size. The window manager is
    // told a minimum (the size that fits its work area) and no maximum (one equal to the minimum
    // takes maximising away as well), is asked for a frame without resize handles, and any other
    // size it gives is undone.
    normalSize_ = size();
    setMinimumSize(normalSize_);

    // A paste past the limit says so with the message the length rule gives on OK.
    connect(path_, &PathBox::PasteRefused, this,
            [this] { ShowMaxCharsMessage(path_, kPathMaxChars); });
    connect(browse_, &QPushButton::clicked, this, &CTarnviewDlg::OnBrowse);
    connect(preview_, &QPushButton::clicked, this, &CTarnviewDlg::OnPreview);
}

bool CTarnviewDlg::OnInitDialog() {
    UpdateData(false);  // the first exchange also sets the path box's limit

    systemMenu_ = new QMenu(this);
    const QString aboutText = kAboutMenuText.toString();
    if (!aboutText.isEmpty()) {
        systemMenu_->addSeparator();
        QAction* about = systemMenu_->addAction(aboutText);
        connect(about, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }

    // The window manager draws the icon for the title bar, the taskbar and the minimised window.
    setWindowIcon(m_hIcon);
    path_->setFocus();
    return true;
}

void CTarnviewDlg::DoDataExchange(DataExchange& dx) {
    dx.Text(path_, m_strPath);
    dx.MaxChars(m_strPath, kPathMaxChars);
    dx.Text(report_, m_strReport);
}

bool CTarnviewDlg::UpdateData(bool saveAndValidate) {
    DataExchange dx(saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CTarnviewDlg::OnOK() {
    if (UpdateData(true))
        accept();
}

void CTarnviewDlg::OnSysCommand(unsigned nID) {
    if ((nID & kSystemCommandMask) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    }
}

void CTarnviewDlg::OnDropFiles(const QStringList& paths) {
    if (paths.size() != 1) {
        ShowMessageBox({this, kOneFileOnlyMessage.toString(), kNoticeCaption.toString(),
                        QMessageBox::Ok, QMessageBox::NoIcon});
        return;
    }
    m_strPath = paths.first();
    UpdateData(false);
    AnalyzeFile();
}

void CTarnviewDlg::OnBrowse() {
    const std::optional<QString> chosen = RunOpenFileDialog({kBrowseFilters, 0});
    if (!chosen)
        return;
    m_strPath = *chosen;
    UpdateData(false);
    // The file dialog may have left the current directory anywhere; relative lookups such as
    // GDAL's "./data" start from the program's folder again. A failure changes nothing.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    AnalyzeFile();
}

void CTarnviewDlg::AnalyzeFile() {
    UpdateData(true);  // a failed length rule still leaves the path read back
    preview_->setEnabled(false);
    const Report report = RenderReport(GatherFileFacts(LocalPath()));
    m_strReport = Utf8ToWide(report.text);
    UpdateData(false);
    preview_->setEnabled(report.previewAllowed);
}

std::string CTarnviewDlg::LocalPath() const {
    if (!droppedPath_.empty() && Utf8ToWide(droppedPath_) == m_strPath)
        return droppedPath_;
    return WideToUtf8(m_strPath);
}

void CTarnviewDlg::showEvent(QShowEvent* event) {
    // The native window exists and is not mapped yet: the window manager frames it as asked.
    if (!event->spontaneous())
        DropResizeHandles(*this);
    QDialog::showEvent(event);
}

bool CTarnviewDlg::SizeIsFree() const {
    return windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

void CTarnviewDlg::KeepNormalSize() {
    if (!SizeIsFree() && size() != normalSize_)
        resize(normalSize_);
}

void CTarnviewDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layout_.Apply(event->size());
    // A window manager may still resize the window (a border or Alt drag, its window menu). The
    // check waits for the events already queued: one that maximises may send the new size before
    // the new state.
    if (!SizeIsFree() && event->size() != normalSize_)
        QTimer::singleShot(0, this, &CTarnviewDlg::KeepNormalSize);
}

void CTarnviewDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (!enter || modifiers != Qt::NoModifier) {
        QDialog::keyPressEvent(event);  // Escape cancels without reading the boxes
        return;
    }
    // Enter on a push button presses it; anywhere else it is OK.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        if (button->isEnabled())
            button->click();
    } else {
        OnOK();
    }
    event->accept();
}

void CTarnviewDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedPaths(event->mimeData()))
        event->acceptProposedAction();
}

void CTarnviewDlg::dropEvent(QDropEvent* event) {
    const std::optional<DroppedNames> names = DroppedPaths(event->mimeData());
    if (!names)
        return;
    event->acceptProposedAction();
    // The source's drag ends when this handler returns: a message box or a long analysis comes
    // after it, so neither holds the file manager's drag.
    QMetaObject::invokeMethod(
        this,
        [this, dropped = *names] {
            if (dropped.locals.size() == 1)
                droppedPath_ = dropped.locals.first().toStdString();
            OnDropFiles(dropped.paths);
        },
        Qt::QueuedConnection);
}

void CTarnviewDlg::contextMenuEvent(QContextMenuEvent* event) {
    systemMenu_->popup(event->globalPos());
}
