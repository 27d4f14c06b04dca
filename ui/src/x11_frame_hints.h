// The frame an X11 window manager draws around a window: asks it for no resize handles.
#pragma once

class QWidget;

// Asks the window manager to frame this top-level window without resize handles (the bottom
// handle and the corner grips), by taking them out of the Motif hints Qt wrote for its flags.
// Window managers that draw handles on request (fluxbox, icewm) then leave them off; openbox draws
// them whenever it may resize the window. That function itself stays granted: openbox maximises
// only a window it may resize. Call this once the native window exists and before it is mapped;
// it does nothing on other platforms or before then.
void DropResizeHandles(QWidget& window);
