// The single-line path box. Like an edit control with a text limit, it holds whatever text the
// program puts in it, however long, but typing and pasting cannot take it past the limit; a
// refused paste is signalled.
#pragma once

#include <QLineEdit>

class PathBox : public QLineEdit {
    Q_OBJECT
  public:
    explicit PathBox(QWidget* parent = nullptr);

    // Sets the text without the limit, as the program does.
    void SetWindowText(const QString& text);
    void SetLimitText(int limit);
    int LimitText() const { return limit_; }

  signals:
    // An insertion of more than one character was refused for the limit.
    void PasteRefused();

  private:
    friend class PathLimitValidator;
    int limit_;
    int acceptedLength_ = 0;  // length of the text before the edit being validated
    bool programmatic_ = false;
    mutable qsizetype refusedGrowth_ = 0;  // what the last refused edit would have added
};
