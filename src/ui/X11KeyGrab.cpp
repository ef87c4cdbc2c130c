#include "X11KeyGrab.h"

#include <QGuiApplication>

#include <cstdlib>

namespace {

constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;
// Modifiers that make a different key combination; Lock and NumLock do not.
constexpr uint16_t kSignificantModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1
    | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

template<typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_connection_t *x11Connection()
{
    if (!qGuiApp)
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

QList<xcb_window_t> rootWindows(xcb_connection_t *connection)
{
    QList<xcb_window_t> roots;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem; xcb_screen_next(&it))
        roots.append(it.data->root);
    return roots;
}

// The server's keyboard map: which keysyms each keycode produces.
class KeyMap
{
public:
    explicit KeyMap(xcb_connection_t *connection)
        : m_setup(xcb_get_setup(connection))
        , m_reply(xcb_get_keyboard_mapping_reply(connection,
                                                 xcb_get_keyboard_mapping(connection, m_setup->min_keycode,
                                                                          m_setup->max_keycode - m_setup->min_keycode + 1),
                                                 nullptr),
                  &std::free)
    {
    }

    // Keycodes producing keysym; the plain and shifted levels of the first
    // group are preferred, as they hold the Latin letters in every layout.
    QList<xcb_keycode_t> keycodesOf(xcb_keysym_t keysym) const
    {
        QList<xcb_keycode_t> found = search(keysym, 2);
        return found.isEmpty() ? search(keysym, m_reply ? m_reply->keysyms_per_keycode : 0) : found;
    }

private:
    QList<xcb_keycode_t> search(xcb_keysym_t keysym, int columns) const
    {
        QList<xcb_keycode_t> found;
        if (!m_reply)
            return found;
        const int perKeycode = m_reply->keysyms_per_keycode;
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(m_reply.get());
        const int keycodes = xcb_get_keyboard_mapping_keysyms_length(m_reply.get()) / qMax(perKeycode, 1);
        for (int k = 0; k < keycodes; ++k) {
            for (int c = 0; c < qMin(columns, perKeycode); ++c) {
                if (syms[k * perKeycode + c] == keysym) {
                    found.append(xcb_keycode_t(m_setup->min_keycode + k));
                    break;
                }
            }
        }
        return found;
    }

    const xcb_setup_t *m_setup;
    ReplyPtr<xcb_get_keyboard_mapping_reply_t> m_reply;
};

// The modifier bit NumLock sets; Mod2 on almost every server.
uint16_t numLockMask(xcb_connection_t *connection, const KeyMap &keyMap)
{
    const QList<xcb_keycode_t> numLock = keyMap.keycodesOf(kNumLockKeysym);
    ReplyPtr<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr), &std::free);
    if (!reply || numLock.isEmpty())
        return XCB_MOD_MASK_2;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (numLock.contains(codes[modifier * perModifier + i]))
                return uint16_t(1u << modifier);
        }
    }
    return XCB_MOD_MASK_2;
}

} // namespace

std::unique_ptr<X11KeyGrab> X11KeyGrab::create(const QList<int> &virtualKeys, PressHandler onPress)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection || xcb_connection_has_error(connection))
        return nullptr;

    const KeyMap keyMap(connection);
    const uint16_t numLock = numLockMask(connection, keyMap);
    // The grab must hold whatever state CapsLock and NumLock are in.
    const QList<uint16_t> variants = {0, XCB_MOD_MASK_LOCK, numLock, uint16_t(XCB_MOD_MASK_LOCK | numLock)};

    struct Attempt
    {
        Grab grab;
        xcb_void_cookie_t cookie;
    };
    QList<Attempt> attempts;
    for (const xcb_window_t root : rootWindows(connection)) {
        for (const int virtualKey : virtualKeys) {
            const auto lower = xcb_keysym_t(virtualKey + ('a' - 'A'));
            for (const xcb_keycode_t keycode : keyMap.keycodesOf(lower)) {
                for (const uint16_t variant : variants) {
                    const Grab grab{root, keycode, uint16_t(XCB_MOD_MASK_CONTROL | variant), virtualKey};
                    attempts.append({grab, xcb_grab_key_checked(connection, 1, root, grab.modifiers, keycode,
                                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
                }
            }
        }
    }

    // A combination another client holds fails with BadAccess; it stays with
    // that client and the rest is still ours.
    QList<Grab> grabbed;
    for (const Attempt &attempt : attempts) {
        if (xcb_generic_error_t *error = xcb_request_check(connection, attempt.cookie))
            std::free(error);
        else
            grabbed.append(attempt.grab);
    }
    xcb_flush(connection);
    if (grabbed.isEmpty())
        return nullptr;

    std::unique_ptr<X11KeyGrab> keyGrab(new X11KeyGrab(connection, std::move(grabbed), std::move(onPress)));
    qGuiApp->installNativeEventFilter(keyGrab.get());
    return keyGrab;
}

X11KeyGrab::X11KeyGrab(xcb_connection_t *connection, QList<Grab> grabs, PressHandler onPress)
    : m_connection(connection)
    , m_grabs(std::move(grabs))
    , m_onPress(std::move(onPress))
{
}

X11KeyGrab::~X11KeyGrab()
{
    // After the application is gone its connection is closed: nothing to release.
    if (!connectionIsAlive())
        return;
    qGuiApp->removeNativeEventFilter(this);
    for (const Grab &grab : std::as_const(m_grabs))
        xcb_ungrab_key(m_connection, grab.keycode, grab.root, grab.modifiers);
    xcb_flush(m_connection);
}

bool X11KeyGrab::connectionIsAlive() const
{
    return x11Connection() == m_connection;
}

bool X11KeyGrab::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if ((press->state & kSignificantModifiers) != XCB_MOD_MASK_CONTROL)
        return false;
    for (const Grab &grab : std::as_const(m_grabs)) {
        if (grab.root == press->event && grab.keycode == press->detail) {
            m_onPress(grab.virtualKey);
            return true;
        }
    }
    return false;
}
