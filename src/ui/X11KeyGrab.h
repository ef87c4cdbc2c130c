#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>

#include <functional>
#include <memory>

#include <xcb/xcb.h>

// Passive grabs of Ctrl+letter keys on the root windows of the X server, and
// the filter that catches their presses in Qt's xcb event stream.
class X11KeyGrab : public QAbstractNativeEventFilter
{
public:
    using PressHandler = std::function<void(int virtualKey)>;

    // virtualKeys are upper-case letters 'A' to 'Z'. Returns nothing when the
    // application does not run on X11 or none of the keys could be grabbed.
    static std::unique_ptr<X11KeyGrab> create(const QList<int> &virtualKeys, PressHandler onPress);
    ~X11KeyGrab() override;

    X11KeyGrab(const X11KeyGrab &) = delete;
    X11KeyGrab &operator=(const X11KeyGrab &) = delete;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Grab
    {
        xcb_window_t root;
        xcb_keycode_t keycode;
        uint16_t modifiers;
        int virtualKey;
    };

    X11KeyGrab(xcb_connection_t *connection, QList<Grab> grabs, PressHandler onPress);
    bool connectionIsAlive() const;

    xcb_connection_t *m_connection;
    QList<Grab> m_grabs;
    PressHandler m_onPress;
};
