#include "GlobalHotKeys.h"
#include "PortalShortcuts.h"

#include <QGuiApplication>

#ifdef ZAVOLIN_HAVE_XCB
#include "X11KeyGrab.h"
#else
// Without the xcb headers the grab is an empty stand-in that never succeeds.
class X11KeyGrab
{
};
#endif

GlobalHotKeys::GlobalHotKeys(QObject *parent)
    : QObject(parent)
{
}

GlobalHotKeys::~GlobalHotKeys()
{
    unregisterKeys();
}

bool GlobalHotKeys::registerKeys()
{
    if (m_grab || m_portal)
        return true;
    if (PortalShortcuts::isNeededOn(QGuiApplication::platformName()))
        return registerThroughPortal();
#ifdef ZAVOLIN_HAVE_XCB
    // Reported from the event loop, not from inside Qt's xcb event handling,
    // so a receiver may open windows or unregister the keys.
    auto grab = X11KeyGrab::create({kKeyQ, kKeyR}, [this](int virtualKey) {
        QMetaObject::invokeMethod(
            this, [this, virtualKey] { Q_EMIT hotKeyPressed(kModControl, virtualKey); }, Qt::QueuedConnection);
    });
    if (!grab)
        return false;
    m_grab = std::move(grab);
    return true;
#else
    return false;
#endif
}

bool GlobalHotKeys::registerThroughPortal()
{
    auto portal = std::make_unique<PortalShortcuts>();
    // The portal's signal already arrives from the event loop.
    connect(portal.get(), &PortalShortcuts::pressed, this,
            [this](int virtualKey) { Q_EMIT hotKeyPressed(kModControl, virtualKey); });
    if (!portal->start())
        return false;
    m_portal = std::move(portal);
    return true;
}

void GlobalHotKeys::unregisterKeys()
{
    m_grab.reset();
    m_portal.reset();
}

bool GlobalHotKeys::isRegistered() const
{
    return m_grab != nullptr || m_portal != nullptr;
}
