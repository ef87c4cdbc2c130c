#pragma once

#include <QObject>

#include <memory>

class PortalShortcuts;
class X11KeyGrab;

// The program's two global hot keys, Ctrl+Q and Ctrl+R, pressed anywhere on
// the desktop. Grabbed from the X server; under Wayland bound through the
// desktop portal, asynchronously; elsewhere (offscreen, or Wayland without
// the portal) they are silently absent.
class GlobalHotKeys : public QObject
{
    Q_OBJECT

public:
    static constexpr int kModControl = 2; // the Ctrl modifier of hotKeyPressed()
    static constexpr int kKeyQ = 0x51;
    static constexpr int kKeyR = 0x52;

    explicit GlobalHotKeys(QObject *parent = nullptr);
    ~GlobalHotKeys() override;

    // True when at least one of the keys is now ours, or, under Wayland, when
    // the portal has been asked for them. A key another program holds stays
    // unregistered, silently. A second call changes nothing.
    bool registerKeys();
    void unregisterKeys();
    bool isRegistered() const;

Q_SIGNALS:
    // modifiers is kModControl, virtualKey kKeyQ or kKeyR.
    void hotKeyPressed(int modifiers, int virtualKey);

private:
    bool registerThroughPortal();

    std::unique_ptr<X11KeyGrab> m_grab;
    std::unique_ptr<PortalShortcuts> m_portal;
};
