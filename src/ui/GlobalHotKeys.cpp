#include "GlobalHotKeys.h"

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
#ifdef ZAVOLIN_HAVE_XCB
    if (m_grab)
        return true;
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

void GlobalHotKeys::unregisterKeys()
{
    m_grab.reset();
}

bool GlobalHotKeys::isRegistered() const
{
    return m_grab != nullptr;
}
