#include "ui_test_support.h"

#include <utility>

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include <gdal.h>

#include "report.h"
#include "text_conversion.h"

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "tarnview_ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        auto* app = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Tarnview"));
        GDALAllRegister();
        return app;
    }();
    (void)application;
}

MessageBoxRecorder::MessageBoxRecorder() {
    previous_ = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        requests_.push_back(request);
        return QMessageBox::Ok;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    SetMessageBoxHandler(std::move(previous_));
}

FileDialogStub::FileDialogStub(std::optional<QString> answer) : answer_(std::move(answer)) {
    previous_ = SetOpenFileHandler([this](const OpenFileRequest& request) {
        ++calls_;
        last_ = request;
        return answer_;
    });
}

FileDialogStub::~FileDialogStub() {
    SetOpenFileHandler(std::move(previous_));
}

ModalStub::ModalStub(std::function<void(QDialog&)> onOpen) : onOpen_(std::move(onOpen)) {
    previous_ = SetModalHandler([this](QDialog& dialog) {
        ++calls_;
        ShowAndPaint(dialog);
        if (onOpen_)
            onOpen_(dialog);
        dialog.reject();
        return static_cast<int>(QDialog::Rejected);
    });
}

ModalStub::~ModalStub() {
    SetModalHandler(std::move(previous_));
}

void ShowAndPaint(QWidget& widget) {
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    widget.repaint();
    QApplication::processEvents();
}

QString ReportText(const QString& path) {
    return Utf8ToWide(BuildReport(WideToUtf8(path)).text);
}
