#pragma once

class QWidget;

// Brings a window to the front where a window manager can do it; platforms
// without one (offscreen, minimal) would only warn on every call.
void bringToFront(QWidget *window);
