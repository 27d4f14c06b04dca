// Every message box of the tool goes through ShowMessageBox, so a test can answer it instead of
// a modal loop.
#pragma once

#include <functional>

#include <QMessageBox>
#include <QString>

class QWidget;

struct MessageBoxRequest {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

using MessageBoxHandler = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;

// Shows the message box modally (or hands it to the installed handler) and returns the button
// that closed it.
QMessageBox::StandardButton ShowMessageBox(const MessageBoxRequest& request);

// Installs `handler` in place of the real message box and returns the one it replaces; an empty
// handler brings the real one back.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
