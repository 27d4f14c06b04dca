#include "modal_seam.h"

#include <utility>

#include <QDialog>

namespace {

ModalHandler& InstalledHandler() {
    static ModalHandler handler;
    return handler;
}

}  // namespace

int RunModal(QDialog& dialog) {
    const ModalHandler& handler = InstalledHandler();
    return handler ? handler(dialog) : dialog.exec();
}

ModalHandler SetModalHandler(ModalHandler handler) {
    return std::exchange(InstalledHandler(), std::move(handler));
}
