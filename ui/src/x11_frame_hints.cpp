#include "x11_frame_hints.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QLatin1String>
#include <QWidget>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr QLatin1String kXcbPlatform("xcb");
// The Motif window-manager hints: five 32-bit fields in a property of their own type.
constexpr char kMotifHintsName[] = "_MOTIF_WM_HINTS";
using MotifHints = std::array<std::uint32_t, 5>;
constexpr std::size_t kFlagsField = 0;
constexpr std::size_t kDecorationsField = 2;
constexpr std::uint32_t kHasDecorations = 1u << 1;
// With this bit set, the other decoration bits name what to leave out rather than what to draw.
constexpr std::uint32_t kDecorateAllBut = 1u << 0;
constexpr std::uint32_t kResizeHandles = 1u << 2;
constexpr std::uint8_t kFormat32 = 32;

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

xcb_atom_t MotifHintsAtom(xcb_connection_t* connection) {
    const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof kMotifHintsName - 1, kMotifHintsName),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The hints on the window, or all zero (no hints) when it has none.
MotifHints ReadHints(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t atom) {
    MotifHints hints{};
    const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, atom, atom, 0, hints.size()), nullptr));
    if (reply && reply->format == kFormat32 &&
        xcb_get_property_value_length(reply.get()) >= int(sizeof hints)) {
        std::memcpy(hints.data(), xcb_get_property_value(reply.get()), sizeof hints);
    }
    return hints;
}

void WithoutResizeHandles(MotifHints& hints) {
    std::uint32_t& decorations = hints[kDecorationsField];
    if (!(hints[kFlagsField] & kHasDecorations)) {
        hints[kFlagsField] |= kHasDecorations;
        decorations = kDecorateAllBut | kResizeHandles;
    } else if (decorations & kDecorateAllBut) {
        decorations |= kResizeHandles;
    } else {
        decorations &= ~kResizeHandles;
    }
}

}  // namespace

void DropResizeHandles(QWidget& window) {
    // Only the xcb platform's windows are X windows (the offscreen one may answer as X11 too).
    if (qGuiApp == nullptr || QGuiApplication::platformName() != kXcbPlatform)
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    const auto id = static_cast<xcb_window_t>(window.internalWinId());
    if (connection == nullptr || id == XCB_WINDOW_NONE)
        return;
    const xcb_atom_t atom = MotifHintsAtom(connection);
    if (atom == XCB_ATOM_NONE)
        return;
    MotifHints hints = ReadHints(connection, id, atom);
    WithoutResizeHandles(hints);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom, atom, kFormat32, hints.size(),
                        hints.data());
    xcb_flush(connection);
}
