#include "tarnview_app.h"

#include <cpl_conv.h>
#include <gdal.h>

#include <QLocale>
#include <QString>

#include "qt_translations.h"
#include "regular_files_only.h"
#include "tarnview_dlg.h"
#include "tarnview_version.h"

namespace {

const QString kApplicationName = QStringLiteral("Tarnview");
// Where the settings would live; the tool stores none.
const QString kOrganizationName = QStringLiteral("应用程序向导生成的本地应用程序");
constexpr char kGdalDataKey[] = "GDALDATA";
constexpr char kGdalDataFolder[] = "./data";

}  // namespace

CTarnviewApp::CTarnviewApp() : application_(argc_, argv_) {
    QApplication::setApplicationName(kApplicationName);
    QApplication::setApplicationVersion(QString::fromLatin1(kTarnviewVersion));
    if (LoadQtTranslations(qtTexts_, QLocale::system()))
        QApplication::installTranslator(&qtTexts_);
}

bool CTarnviewApp::InitInstance() {
    // Common-controls initialisation and restart-manager registration have no counterpart here:
    // Qt draws its own controls and the session manager restarts nothing.
    QApplication::setOrganizationName(kOrganizationName);

    CTarnviewDlg dialog;  // icon, empty path and empty report

    // GDAL is ready before the dialog's window can start an analysis; its support files are
    // looked up in "data" below the current directory, at the moment GDAL needs them.
    GDALAllRegister();
    OpenOnlyRegularFilesInGdal();
    CPLSetConfigOption(kGdalDataKey, kGdalDataFolder);

    // A Qt program has no main-window slot to fill: the dialog is simply the only window.
    dialog.exec();  // OK or Cancel: the tool ends either way
    return false;
}
