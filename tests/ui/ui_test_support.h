// Shared by the widget tests: the application object, stand-ins for the modal seams, and
// fixtures made at test time.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QDialog>
#include <QString>

#include "file_dialog_seam.h"
#include "message_box_seam.h"
#include "modal_seam.h"

// Creates the QApplication (offscreen in the test run) and registers GDAL once per process.
void EnsureApplication();

// Records every message box instead of showing it, and answers OK.
class MessageBoxRecorder {
  public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    const std::vector<MessageBoxRequest>& Requests() const { return requests_; }

  private:
    std::vector<MessageBoxRequest> requests_;
    MessageBoxHandler previous_;
};

// Answers the file dialog with `answer` (nothing = cancelled) and records the requests.
class FileDialogStub {
  public:
    explicit FileDialogStub(std::optional<QString> answer);
    ~FileDialogStub();
    int Calls() const { return calls_; }
    const OpenFileRequest& LastRequest() const { return last_; }

  private:
    std::optional<QString> answer_;
    int calls_ = 0;
    OpenFileRequest last_;
    OpenFileHandler previous_;
};

// Runs modal windows through `onOpen` instead of their own loop: the window is shown, painted,
// handed to `onOpen`, then closed. Counts the windows.
class ModalStub {
  public:
    explicit ModalStub(std::function<void(QDialog&)> onOpen = {});
    ~ModalStub();
    int Calls() const { return calls_; }

  private:
    std::function<void(QDialog&)> onOpen_;
    int calls_ = 0;
    ModalHandler previous_;
};

// Shows a top-level widget and waits until it is exposed and painted.
void ShowAndPaint(QWidget& widget);

// The report the dialog shows for `path`, as the dialog's text.
QString ReportText(const QString& path);
