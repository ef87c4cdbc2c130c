#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QTimer>

class ClickDebouncer;
class QMenu;
class QSystemTrayIcon;

// The program's icon in the notification area: a tooltip, the tray menu,
// one activation per click or double click, and blinking between its images
// while messages wait to be read. Without a tray host (offscreen, a desktop
// without a notification area) it keeps its state and shows nothing.
class TTrayIcon : public QObject
{
    Q_OBJECT

public:
    static constexpr int kBlinkIntervalMs = 500;
    static constexpr qsizetype kMaxToolTipLength = 127;

    // Starts with the program icon and its blink image, hidden.
    explicit TTrayIcon(QObject *parent = nullptr);
    ~TTrayIcon() override;

    bool isAvailable() const;

    // The steady image (index 0).
    void setIcon(const QIcon &icon);
    // The images blinking steps through; the first is the steady one.
    void setIconList(const QList<QIcon> &icons);
    QList<QIcon> iconList() const;
    // Shows the image at index, clamped to the list.
    void setIconIndex(int index);
    int iconIndex() const;

    // Longer texts are cut to kMaxToolTipLength characters.
    void setToolTip(const QString &text);
    QString toolTip() const;

    // The caller keeps ownership of the menu; it must outlive the tray icon
    // or be taken away with setMenu(nullptr).
    void setMenu(QMenu *menu);

    void show();
    void hide();
    bool isVisible() const;
    // Announces the icon anew, with its image and tooltip, when it is meant to
    // be shown: a tray host that has (re)started knows nothing of it.
    void showAgain();

    void startBlinking();
    // Stops on the steady image.
    void stopBlinking();
    bool isBlinking() const;

    // The double-click time after a single click (the desktop's by default).
    ClickDebouncer *clickDebouncer() const;

Q_SIGNALS:
    // A left click or a double click: both mean the same, reported once.
    void clicked();

private:
    void applyIcon();
    void stepBlink();

    QSystemTrayIcon *m_tray;
    ClickDebouncer *m_clicks;
    QTimer m_blinkTimer;
    QList<QIcon> m_icons;
    int m_index = 0;
    QString m_toolTip;
    bool m_wanted = false;
};
