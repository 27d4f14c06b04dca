// tarnview_screenshot [--browse] OUT.png [FILE]: opens the main dialog, drops FILE on it if given,
// and saves a picture of the window. With --browse it also opens the file dialog, in Qt's own
// texts for the desktop's language as the tool installs them, and pictures both windows.
// Run under a virtual display (scripts/screenshot.sh).
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <gdal.h>
#include "qt_translations.h"
#include "tarnview_dlg.h"

namespace {

// Long enough for a window on the virtual display to be drawn.
constexpr int kSettleMs = 300;

void DropFile(CTarnviewDlg& dialog, const char* name) {
    QMimeData data;
    const QString file = QFileInfo(QString::fromLocal8Bit(name)).absoluteFilePath();
    data.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at = dialog.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drop);
    QCoreApplication::sendPostedEvents();  // the dialog reads the drop once the drag is over
}

}  // namespace

int main(int argc, char** argv) {
    const bool browse = argc > 1 && std::strcmp(argv[1], "--browse") == 0;
    const int first = browse ? 2 : 1;
    if (argc - first < 1 || argc - first > 2) {
        std::fputs("Usage: tarnview_screenshot [--browse] OUT.png [FILE]\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[first]);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnview"));
    QTranslator qtTexts;
    if (LoadQtTranslations(qtTexts, QLocale::system()))
        QApplication::installTranslator(&qtTexts);
    GDALAllRegister();

    CTarnviewDlg dialog;
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        std::fputs("tarnview_screenshot: the window was never shown\n", stderr);
        return 1;
    }
    if (argc - first == 2)
        DropFile(dialog, argv[first + 1]);
    QTest::qWait(kSettleMs);

    QPixmap picture;
    if (browse) {
        // The file dialog runs modally inside OnBrowse: picture the screen while it is open,
        // then cancel it.
        QTimer::singleShot(kSettleMs, [&picture, &dialog] {
            QRect area = dialog.frameGeometry();
            QWidget* fileDialog = QApplication::activeModalWidget();
            if (fileDialog != nullptr)
                area |= fileDialog->frameGeometry();
            picture = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                   area.width(), area.height());
            if (fileDialog != nullptr)
                fileDialog->close();
        });
        dialog.OnBrowse();
    } else {
        picture = dialog.grab();
    }
    if (picture.isNull() || !picture.save(out, "PNG")) {
        std::fprintf(stderr, "tarnview_screenshot: cannot write %s\n", argv[first]);
        return 1;
    }
    return 0;
}
