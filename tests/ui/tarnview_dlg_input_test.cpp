// How a path reaches the main dialog: dropped on the window or chosen in the file dialog.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>

#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QWindow>
#include <cstdio>

#include "file_dialog_seam.h"
#include "fixture_folder.h"
#include "path_box.h"
#include "report.h"
#include "report_box.h"
#include "tarnview_dlg.h"
#include "text_conversion.h"
#include "ui_test_support.h"

namespace {

class TarnviewDlgInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        savedCurrent = QDir::currentPath();
        folder = QFileInfo(files.Path(QStringLiteral("x"))).absolutePath();
        ASSERT_TRUE(QDir::setCurrent(folder));
        raster = files.MakeGeoTiff(QStringLiteral("scene 一.tif"), {});
        RasterRecipe small;
        small.width = 4;
        small.height = 4;
        other = files.MakeGeoTiff(QStringLiteral("other.tif"), small);
        dialog = std::make_unique<CTarnviewDlg>();
        path = dialog->findChild<PathBox*>(QStringLiteral("IDC_PATH"));
        report = dialog->findChild<ReportBox*>(QStringLiteral("IDC_REPORT"));
        preview = dialog->findChild<QPushButton*>(QStringLiteral("IDC_PREVIEW"));
        ShowAndPaint(*dialog);
    }
    void TearDown() override { QDir::setCurrent(savedCurrent); }

    // Drags `paths` over `target` and drops them as a file manager does: the URLs with their text
    // beside them, delivered to the window so that Qt itself picks the widget that takes the drag.
    // Returns whether the drag was accepted.
    bool Drop(QWidget* target, const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        return DropUrls(target, urls);
    }
    bool DropUrls(QWidget* target, const QList<QUrl>& urls) {
        QStringList texts;
        for (const QUrl& url : urls)
            texts << url.toString();
        QMimeData data;
        data.setUrls(urls);
        data.setText(texts.join(QStringLiteral("\r\n")));
        QWindow* window = dialog->windowHandle();
        const QPoint at = target->mapTo(dialog.get(), target->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        const QString pathBefore = path->text();
        const std::size_t messagesBefore = messages.Requests().size();
        QApplication::sendEvent(window, &drop);
        // The drop is accepted and handled only after the handler has returned the drag.
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_EQ(path->text(), pathBefore);
        EXPECT_EQ(messages.Requests().size(), messagesBefore);
        QCoreApplication::sendPostedEvents();
        return true;
    }

    FixtureFolder files;
    QString folder;  // the fixtures' folder, the current directory during the test
    QString savedCurrent;
    QString raster;
    QString other;
    MessageBoxRecorder messages;
    std::unique_ptr<CTarnviewDlg> dialog;
    PathBox* path = nullptr;
    ReportBox* report = nullptr;
    QPushButton* preview = nullptr;
};

TEST_F(TarnviewDlgInputTest, DroppingOneRasterShowsItsReport) {
    ASSERT_TRUE(Drop(dialog.get(), {raster}));
    EXPECT_EQ(path->text(), raster);
    EXPECT_EQ(dialog->m_strPath, raster);
    ASSERT_FALSE(BuildReport(raster.toStdString()).failed);
    const QString expected = ReportText(raster);
    EXPECT_EQ(report->WindowText(), expected);
    EXPECT_EQ(dialog->m_strReport, expected);
    EXPECT_FALSE(preview->isEnabled());
    EXPECT_EQ(QDir::currentPath(), folder);
    EXPECT_TRUE(messages.Requests().empty());
}

TEST_F(TarnviewDlgInputTest, DropOnEitherBoxReachesTheDialog) {
    ASSERT_TRUE(Drop(path, {raster}));
    EXPECT_EQ(path->text(), raster);  // replaced, not the URL inserted as text
    EXPECT_EQ(report->WindowText(), ReportText(raster));
    ASSERT_TRUE(Drop(report->viewport(), {other}));
    EXPECT_EQ(path->text(), other);
    EXPECT_EQ(report->WindowText(), ReportText(other));
}

TEST_F(TarnviewDlgInputTest, DroppingTwoFilesChangesNothing) {
    ASSERT_TRUE(Drop(dialog.get(), {raster}));
    const QString reportBefore = report->WindowText();
    preview->setEnabled(true);  // whatever its state, the refused drop keeps it

    ASSERT_TRUE(Drop(dialog.get(), {raster, other}));
    ASSERT_EQ(messages.Requests().size(), 1u);
    const MessageBoxRequest& message = messages.Requests().front();
    EXPECT_EQ(message.text, QStringLiteral("仅支持拖拽一个文件!"));
    EXPECT_EQ(message.caption, QStringLiteral("提示"));
    EXPECT_EQ(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(message.icon, QMessageBox::NoIcon);
    EXPECT_EQ(message.owner, dialog.get());
    EXPECT_EQ(path->text(), raster);
    EXPECT_EQ(dialog->m_strPath, raster);
    EXPECT_EQ(report->WindowText(), reportBefore);
    EXPECT_TRUE(preview->isEnabled());
}

TEST_F(TarnviewDlgInputTest, DroppingAFolderAnalysesItsPath) {
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("sub")));
    const QString sub = files.Path(QStringLiteral("sub"));
    ASSERT_TRUE(Drop(dialog.get(), {sub}));
    EXPECT_TRUE(messages.Requests().empty());
    EXPECT_EQ(path->text(), sub);
    EXPECT_EQ(report->WindowText(), ReportText(sub));
    EXPECT_FALSE(report->WindowText().isEmpty());
    EXPECT_FALSE(preview->isEnabled());
}

TEST_F(TarnviewDlgInputTest, ADroppedNameThatIsNotUtf8IsOpenedByItsOwnBytes) {
    const QByteArray odd = files.Utf8Path(QStringLiteral("x.tif")).replace("x.tif", "\xe9.tif");
    ASSERT_EQ(std::rename(raster.toUtf8().constData(), odd.constData()), 0);
    ASSERT_TRUE(
        DropUrls(dialog.get(), {QUrl::fromEncoded("file://" + odd.toPercentEncoding("/"))}));
    const Report expected = RenderReport(GatherFileFacts(odd.toStdString()));
    ASSERT_FALSE(expected.failed);
    EXPECT_EQ(report->WindowText(), Utf8ToWide(expected.text));
}

TEST_F(TarnviewDlgInputTest, ALongDroppedPathIsTakenWhole) {
    const QString longPath = files.Path(QString(300, u'n') + QStringLiteral(".tif"));
    ASSERT_TRUE(Drop(dialog.get(), {longPath}));
    EXPECT_EQ(path->text(), longPath);
    EXPECT_EQ(report->WindowText(), ReportText(longPath));
}

TEST_F(TarnviewDlgInputTest, OnlyLocalFilesCanBeDragged) {
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.org/a.tif"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QMimeData text;
    text.setText(QStringLiteral("/tmp/a.tif"));
    QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &textEnter);
    EXPECT_FALSE(textEnter.isAccepted());
}

TEST_F(TarnviewDlgInputTest, BrowseAnalysesTheChosenFileFromTheProgramsFolder) {
    FileDialogStub files(raster);
    dialog->OnBrowse();
    ASSERT_EQ(files.Calls(), 1);
    EXPECT_EQ(path->text(), raster);
    EXPECT_EQ(report->WindowText(), ReportText(raster));
    EXPECT_FALSE(preview->isEnabled());
    EXPECT_EQ(QDir::currentPath(), QCoreApplication::applicationDirPath());

    // The four filters, the first one selected.
    const OpenFileRequest& request = files.LastRequest();
    ASSERT_EQ(request.filters.size(), 4u);
    EXPECT_EQ(request.selectedFilter, 0);
    EXPECT_EQ(request.filters[0].displayName, u"TIFF/BigTIFF/GeoTIFF ");
    EXPECT_EQ(request.filters[0].patterns, u"*.tif;*.tiff");
    EXPECT_EQ(request.filters[1].displayName, u"Erdas Image ");
    EXPECT_EQ(request.filters[1].patterns, u"*.img");
    EXPECT_EQ(request.filters[2].displayName, u"QVRMP ");
    EXPECT_EQ(request.filters[2].patterns, u"*.qvrmp");
    EXPECT_EQ(request.filters[3].displayName, u"所有类型 ");
    EXPECT_EQ(request.filters[3].patterns, u"*.*");
    EXPECT_EQ(ToQtNameFilters(request.filters),
              QStringList({QStringLiteral("TIFF/BigTIFF/GeoTIFF (*.tif *.tiff)"),
                           QStringLiteral("Erdas Image (*.img)"), QStringLiteral("QVRMP (*.qvrmp)"),
                           QStringLiteral("所有类型 (*)")}));
}

TEST_F(TarnviewDlgInputTest, BrowseCancelledChangesNothing) {
    ASSERT_TRUE(Drop(dialog.get(), {raster}));
    const QString reportBefore = report->WindowText();
    preview->setEnabled(true);
    FileDialogStub files(std::nullopt);
    dialog->OnBrowse();
    EXPECT_EQ(files.Calls(), 1);
    EXPECT_EQ(path->text(), raster);
    EXPECT_EQ(report->WindowText(), reportBefore);
    EXPECT_TRUE(preview->isEnabled());
    EXPECT_EQ(QDir::currentPath(), folder);
}

TEST_F(TarnviewDlgInputTest, BrowseAcceptsANameThatDoesNotExist) {
    ASSERT_TRUE(Drop(dialog.get(), {raster}));
    const QString missing = files.Path(QStringLiteral("typed name.tif"));
    FileDialogStub files(missing);
    dialog->OnBrowse();
    EXPECT_EQ(path->text(), missing);
    const Report expected = BuildReport(missing.toStdString());
    EXPECT_TRUE(expected.failed);
    EXPECT_EQ(report->WindowText(), Utf8ToWide(expected.text));
    EXPECT_FALSE(preview->isEnabled());
    EXPECT_EQ(QDir::currentPath(), QCoreApplication::applicationDirPath());
}

}  // namespace
