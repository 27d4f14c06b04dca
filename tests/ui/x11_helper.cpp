// x11_helper OUT.png: saves the whole screen, window manager frames included, as the X11 check's
// picture of each scale.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("Usage: x11_helper OUT.png\n", stderr);
        return 2;
    }
    return QGuiApplication::primaryScreen()->grabWindow(0).save(argv[1], "PNG") ? 0 : 1;
}
