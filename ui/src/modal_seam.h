// Secondary windows run modally through RunModal, so a test can look at a window while it is
// "open" and close it instead of entering its modal loop.
#pragma once

#include <functional>

class QDialog;

// Returns the dialog's result code (QDialog::Accepted or QDialog::Rejected).
using ModalHandler = std::function<int(QDialog&)>;

int RunModal(QDialog& dialog);

// Installs `handler` in place of QDialog::exec and returns the one it replaces; an empty handler
// brings exec back.
ModalHandler SetModalHandler(ModalHandler handler);
