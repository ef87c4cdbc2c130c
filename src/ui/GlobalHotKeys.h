#pragma once

#include <QObject>

#include <memory>

class X11KeyGrab;

// The program's two global hot keys, Ctrl+Q and Ctrl+R, pressed anywhere on
// the desktop. Grabbed from the X server; on a desktop without X11 (Wayland,
// offscreen) they are silently absent and registerKeys() returns false.
class GlobalHotKeys : public QObject
{
    Q_OBJECT

public:
    static constexpr int kModControl = 2; // the Ctrl modifier of hotKeyPressed()
    static constexpr int kKeyQ = 0x51;
    static constexpr int kKeyR = 0x52;

    explicit GlobalHotKeys(QObject *parent = nullptr);
    ~GlobalHotKeys() override;

    // True when at least one of the keys is now ours. A key another program
    // holds stays unregistered, silently. A second call changes nothing.
    bool registerKeys();
    void unregisterKeys();
    bool isRegistered() const;

Q_SIGNALS:
    // modifiers is kModControl, virtualKey kKeyQ or kKeyR.
    void hotKeyPressed(int modifiers, int virtualKey);

private:
    std::unique_ptr<X11KeyGrab> m_grab;
};
