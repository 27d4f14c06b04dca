#include "app_icon.h"

#include <QString>

// Registers res/tarnview.qrc. The resource system needs this outside any namespace.
static void RegisterResources() {
    Q_INIT_RESOURCE(tarnview);
}

QIcon LoadAppIcon() {
    static const bool registered = (RegisterResources(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/tarnview/tarnview.png"));
}
