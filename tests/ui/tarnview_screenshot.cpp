// tarnview_screenshot OUT.png [FILE]: opens the main dialog, drops FILE on it if given, and saves
// a picture of the window. Run under a virtual display (scripts/screenshot.sh).
#include <cstdio>

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPixmap>
#include <QTest>
#include <QUrl>

#include "gdal_setup.h"
#include "tarnview_dlg.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("Usage: tarnview_screenshot OUT.png [FILE]\n", stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnview"));
    InitGdal();

    CTarnviewDlg dialog;
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        std::fputs("tarnview_screenshot: the window was never shown\n", stderr);
        return 1;
    }
    if (argc == 3) {
        QMimeData data;
        const QString file = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at = dialog.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &drop);
    }
    QTest::qWait(200);
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "tarnview_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
