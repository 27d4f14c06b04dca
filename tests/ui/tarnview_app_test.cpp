// Start-up: the application's names, GDAL ready before the dialog runs, the dialog's first state,
// and nothing after the dialog closes. A program of its own, since it owns the QApplication.
#include "tarnview_app.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <QApplication>
#include <QTimer>

#include "path_box.h"
#include "report_box.h"
#include "tarnview_dlg.h"

namespace {

TEST(TarnviewApp, RunsTheDialogOnceWithGdalReady) {
    CTarnviewApp app;
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Tarnview"));
    EXPECT_EQ(QApplication::applicationVersion(), QStringLiteral("2.0.0.1"));
    EXPECT_EQ(QApplication::arguments(), QStringList{QStringLiteral("tarnview")});

    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CTarnviewDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        sawDialog = true;
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Tarnview v2.0"));
        EXPECT_FALSE(dialog->windowIcon().isNull());
        EXPECT_TRUE(dialog->findChild<PathBox*>(QStringLiteral("IDC_PATH"))->text().isEmpty());
        EXPECT_TRUE(
            dialog->findChild<ReportBox*>(QStringLiteral("IDC_REPORT"))->WindowText().isEmpty());
        EXPECT_GT(GDALGetDriverCount(), 0);
        EXPECT_STREQ(CPLGetConfigOption("GDALDATA", nullptr), "./data");
        EXPECT_EQ(QApplication::organizationName(),
                  QStringLiteral("应用程序向导生成的本地应用程序"));
        dialog->reject();
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
