// Start-up: the application's names, GDAL ready before the dialog runs, the dialog's first state,
// and nothing after the dialog closes. A program of its own, since it owns the QApplication.
#include "tarnview_app.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <QApplication>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include "display_check.h"
#include "path_box.h"
#include "qt_translations.h"
#include "report_box.h"
#include "tarnview_dlg.h"

namespace {

TEST(TarnviewApp, RunsTheDialogOnceWithGdalReady) {
    // A Chinese desktop (read before Qt first asks for the system locale).
    qputenv("LC_ALL", "zh_CN.UTF-8");
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
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
        EXPECT_EQ(QApplication::organizationName(),
                  QStringLiteral("应用程序向导生成的本地应用程序"));
        dialog->reject();
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtTranslations, ChineseDesktopsGetQtsSimplifiedChineseTexts) {
    for (const char* name : {"zh_CN", "zh_TW", "zh_HK"}) {
        QTranslator translator;
        ASSERT_TRUE(LoadQtTranslations(translator, QLocale(QString::fromLatin1(name)))) << name;
        EXPECT_EQ(translator.language(), QStringLiteral("zh_CN"));
        EXPECT_EQ(translator.translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
        EXPECT_EQ(translator.translate("QFileDialog", "&Open"), QStringLiteral("打开(&O)"));
    }
    for (const char* name : {"en_US", "de_DE", "ja_JP"}) {
        QTranslator translator;
        EXPECT_FALSE(LoadQtTranslations(translator, QLocale(QString::fromLatin1(name)))) << name;
        EXPECT_TRUE(translator.isEmpty());
    }
}

}  // namespace

TEST(DisplayCheck, NamesTheMissingDisplayBeforeQtStarts) {
    const std::optional<std::string> none;
    const struct {
        DisplayEnvironment environment;
        bool connects;
        std::string message;
    } cases[] = {
        {{"", ":0", none}, true, ""},
        {{"", none, none}, true, "no display: neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {{"xcb", none, "wayland-0"}, true, "no X display: DISPLAY is not set"},
        {{"xcb:nograb", ":7", none}, false, "cannot open the X display \":7\""},
        {{"", ":5", none}, false, "cannot open the X display \":5\""},
        {{"", none, "wayland-0"}, false, ""},
        {{"offscreen", none, none}, false, ""},
        {{"wayland;xcb", none, none}, false, ""},
    };
    for (const auto& c : cases) {
        const auto connects = [&](const std::string&) { return c.connects; };
        EXPECT_EQ(MissingDisplay(c.environment, connects), c.message) << c.environment.platform;
    }
}
