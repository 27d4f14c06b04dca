#include "path_box.h"

#include <limits>

#include <QValidator>

namespace {

// Before any limit is set, an edit control takes this many characters.
constexpr int kDefaultLimit = 30000;

}  // namespace

// Rejects an edit by the user that would leave more than the limit and more than there was:
// deleting from an over-long text stays possible.
class PathLimitValidator : public QValidator {
  public:
    explicit PathLimitValidator(PathBox* box) : QValidator(box), box_(box) {}

    State validate(QString& input, int&) const override {
        if (box_->programmatic_)
            return Acceptable;
        const bool grows = input.size() > box_->acceptedLength_;
        return grows && input.size() > box_->limit_ ? Invalid : Acceptable;
    }

  private:
    const PathBox* box_;
};

PathBox::PathBox(QWidget* parent) : QLineEdit(parent), limit_(kDefaultLimit) {
    // The limit is the validator's job; the line edit itself must never cut a text.
    setMaxLength(std::numeric_limits<int>::max());
    setValidator(new PathLimitValidator(this));
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { acceptedLength_ = static_cast<int>(text.size()); });
}

void PathBox::SetWindowText(const QString& text) {
    programmatic_ = true;
    setText(text);
    programmatic_ = false;
    acceptedLength_ = static_cast<int>(text.size());
}

void PathBox::SetLimitText(int limit) {
    limit_ = limit;
}
