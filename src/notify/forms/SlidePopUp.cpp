#include "SlidePopUp.h"

#include "SlidePopUpForm.h"

#include <QGuiApplication>
#include <QScreen>

#include <utility>

TSlidePopUp::TSlidePopUp(QObject *parent)
    : QObject(parent)
    , m_screens([] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? ScreenArea{screen->geometry(), screen->availableGeometry()} : ScreenArea{};
    })
{
}

TSlidePopUp::~TSlidePopUp()
{
    // Each deletion edits the list through its destroyed() handler.
    const QList<QPointer<TfrmSlidePopUp>> popups = std::exchange(m_popups, {});
    for (const QPointer<TfrmSlidePopUp> &popup : popups)
        delete popup.data();
}

void TSlidePopUp::setScreenSource(ScreenSource source)
{
    m_screens = std::move(source);
}

bool TSlidePopUp::showPopUp()
{
    const ScreenArea area = m_screens();
    const PanelEdge edge = panelEdge(area.screen, area.available);
    const QRect work = area.available.isEmpty() ? area.screen : area.available;
    const std::optional<int> offset
        = m_cascade.place(edge, work, {m_look.size, m_look.startGap, m_look.marge, m_look.cascade});
    if (!offset)
        return false;
    auto *popup = new TfrmSlidePopUp(m_look, edge, work, *offset);
    m_popups.append(popup);
    connect(popup, &TfrmSlidePopUp::clicked, this, &TSlidePopUp::clicked);
    connect(popup, &QObject::destroyed, this, [this] {
        m_cascade.popupClosed();
        m_popups.removeIf([](const QPointer<TfrmSlidePopUp> &p) { return p.isNull(); });
    });
    popup->start();
    return true;
}

void TSlidePopUp::closePopUps()
{
    // Closing deletes later: a popup closed from its own click is still in use.
    for (const QPointer<TfrmSlidePopUp> &popup : std::as_const(m_popups)) {
        if (popup)
            popup->close();
    }
}

QList<TfrmSlidePopUp *> TSlidePopUp::popups() const
{
    QList<TfrmSlidePopUp *> list;
    for (const QPointer<TfrmSlidePopUp> &popup : m_popups) {
        if (popup)
            list.append(popup.data());
    }
    return list;
}
