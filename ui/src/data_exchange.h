// Moves text between a dialog's members and its boxes, in either direction, and checks the rules
// that go with them. Once a rule fails, the rest of the exchange is skipped.
#pragma once

#include <QString>

class PathBox;
class QWidget;
class ReportBox;

class DataExchange {
  public:
    // saveAndValidate: true reads the boxes into the members, false writes the members out.
    explicit DataExchange(bool saveAndValidate) : saveAndValidate_(saveAndValidate) {}

    void Text(PathBox* box, QString& value);
    void Text(ReportBox* box, QString& value);
    // The length rule on the box last exchanged: reading back more than `maxChars` characters
    // shows the framework's message, puts the focus on the box and fails; otherwise the box is
    // limited to `maxChars`.
    void MaxChars(const QString& value, int maxChars);

    bool SaveAndValidate() const { return saveAndValidate_; }
    bool Failed() const { return failed_; }

  private:
    bool saveAndValidate_;
    bool failed_ = false;
    PathBox* lastPathBox_ = nullptr;
};

// The message for a text over the limit, "%1" replaced by the limit.
QString MaxCharsMessage(int maxChars);
// Shows that message for `box`, owned by its window, with an exclamation icon.
void ShowMaxCharsMessage(QWidget* box, int maxChars);
