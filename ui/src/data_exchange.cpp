#include "data_exchange.h"

#include <QApplication>

#include "message_box_seam.h"
#include "path_box.h"
#include "report_box.h"

namespace {

const QString kMaxCharsMessage = QStringLiteral("Enter no more than %1 characters.");

}  // namespace

QString MaxCharsMessage(int maxChars) {
    return kMaxCharsMessage.arg(maxChars);
}

void ShowMaxCharsMessage(QWidget* box, int maxChars) {
    ShowMessageBox({box->window(), MaxCharsMessage(maxChars), QApplication::applicationName(),
                    QMessageBox::Ok, QMessageBox::Warning});
}

void DataExchange::Text(PathBox* box, QString& value) {
    if (failed_)
        return;
    lastPathBox_ = box;
    if (saveAndValidate_) {
        value = box->text();
    } else {
        box->SetWindowText(value);
    }
}

void DataExchange::Text(ReportBox* box, QString& value) {
    if (failed_)
        return;
    lastPathBox_ = nullptr;
    if (saveAndValidate_) {
        value = box->WindowText();
    } else {
        box->SetWindowText(value);
    }
}

void DataExchange::MaxChars(const QString& value, int maxChars) {
    if (failed_ || lastPathBox_ == nullptr)
        return;
    if (saveAndValidate_ && value.size() > maxChars) {
        ShowMaxCharsMessage(lastPathBox_, maxChars);
        lastPathBox_->setFocus();
        lastPathBox_->selectAll();
        failed_ = true;
        return;
    }
    lastPathBox_->SetLimitText(maxChars);
}
