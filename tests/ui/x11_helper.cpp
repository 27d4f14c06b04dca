// x11_helper OUT.png: saves the whole screen, window manager frames included, as the X11 check's
// picture of each scale.
// x11_helper drag FILE...: a window titled "drag source" that, pressed, drags the files' URLs to
// another client. It prints "over" when a target accepts the drag, the drop action as its drag
// ends ("copy" or "ignore"), then "finished" once the target says it is done with the drop, and
// exits.
#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned kEventTypeMask = 0x7f;  // without the bit of events sent by other clients
constexpr QSize kSourceSize(160, 80);

// The target's finished message ends the helper.
class FinishedWatch : public QAbstractNativeEventFilter {
  public:
    explicit FinishedWatch(xcb_connection_t* x) {
        const char name[] = "XdndFinished";
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, std::strlen(name), name), nullptr);
        if (reply != nullptr)
            finished_ = reply->atom;
        std::free(reply);
    }
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        const auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & kEventTypeMask) == XCB_CLIENT_MESSAGE &&
            reinterpret_cast<const xcb_client_message_event_t*>(event)->type == finished_) {
            std::puts("finished");
            QCoreApplication::quit();
        }
        return false;
    }

  private:
    xcb_atom_t finished_ = XCB_ATOM_NONE;
};

class DragSource : public QLabel {
  public:
    explicit DragSource(const QStringList& files) : QLabel("drag source") {
        for (const QString& file : files)
            urls_ << QUrl::fromLocalFile(file);
        setWindowTitle(text());
        setMinimumSize(kSourceSize);
    }

  protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls(urls_);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        connect(drag, &QDrag::actionChanged, [](Qt::DropAction action) {
            if (action == Qt::CopyAction)
                std::puts("over");
        });
        const bool copied = drag->exec(Qt::CopyAction) == Qt::CopyAction;
        std::puts(copied ? "copy" : "ignore");
        if (!copied)
            QCoreApplication::exit(1);
    }

  private:
    QList<QUrl> urls_;
};

int Drag(QApplication& application, const QStringList& files) {
    const auto* x11 = application.nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return 2;  // not on an X server
    FinishedWatch watch(x11->connection());
    application.installNativeEventFilter(&watch);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line seen by the check as it is said
    DragSource source(files);
    source.show();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2 && arguments[1] == "drag")
        return Drag(application, arguments.mid(2));
    if (arguments.size() != 2) {
        std::fputs("Usage: x11_helper OUT.png | x11_helper drag FILE...\n", stderr);
        return 2;
    }
    return QGuiApplication::primaryScreen()->grabWindow(0).save(argv[1], "PNG") ? 0 : 1;
}
