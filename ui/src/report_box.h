// The read-only report box. It keeps the report's CR LF text exactly and shows each CR LF as one
// line break; long lines wrap, the vertical scroll bar is always there and there is no horizontal
// one.
#pragma once

#include <QPlainTextEdit>
#include <QString>

#include "dialog_units.h"

class ReportBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit ReportBox(QWidget* parent = nullptr);

    // Tab stops every 32 horizontal dialog units of the dialog's font.
    void SetTabStops(DialogBaseUnits base);

    void SetWindowText(const QString& text);
    // The text as it was set, CR LF line ends included.
    QString WindowText() const { return text_; }

  private:
    QString text_;
};
