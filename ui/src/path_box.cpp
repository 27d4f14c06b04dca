#include "path_box.h"

#include <limits>

#include <QValidator>

namespace {

// Before any limit is set, an edit control takes this many characters.
constexpr int kDefaultLimit = 30000;
// What one key press adds to the text.
constexpr qsizetype kTypedCharacters = 1;

}  // namespace

// Rejects an edit by the user that would leave more than the limit and more than there was:
// deleting from an over-long text stays possible.
class PathLimitValidator : public QValidator {
  public:
    explicit PathLimitValidator(PathBox* box) : QValidator(box), box_(box) {}

    State validate(QString& input, int&) const override {
        if (box_->programmatic_)
            return Acceptable;
        const qsizetype growth = input.size() - box_->acceptedLength_;
        if (growth <= 0 || input.size() <= box_->limit_)
            return Acceptable;
        box_->refusedGrowth_ = growth;
        return Invalid;
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
    // One typed character too many is simply not taken; a longer insertion is a paste (or an
    // input method's text) that the user would otherwise lose without a sign.
    connect(this, &QLineEdit::inputRejected, this, [this] {
        if (refusedGrowth_ > kTypedCharacters)
            emit PasteRefused();
    });
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
