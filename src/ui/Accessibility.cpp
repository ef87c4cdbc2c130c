#include "Accessibility.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

namespace {

QString withoutMnemonic(QString text)
{
    // "&&" stays one ampersand; a single one only marks the mnemonic.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&')
            text.remove(i, 1);
    }
    return text;
}

// A push or tool button. The toolkit's Toggle on a checkable one only flips
// its state: join, leave and the view buttons act on clicked(), so here Press
// and Toggle both click, exactly as the mouse does. Everything is read when
// asked, since the interface may be made before the button is fully set up.
class ButtonAccessible : public QAccessibleWidget
{
public:
    explicit ButtonAccessible(QAbstractButton *button)
        : QAccessibleWidget(button, QAccessible::PushButton)
    {
    }

    QAccessible::Role role() const override
    {
        return menu() ? QAccessible::ButtonMenu : QAccessible::PushButton;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        if (auto *push = qobject_cast<QPushButton *>(button()); push && push->isDefault())
            s.defaultButton = true;
        if (menu())
            s.hasPopup = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? withoutMnemonic(button()->text()) : name;
        }
        if (t == QAccessible::Accelerator && !button()->shortcut().isEmpty())
            return button()->shortcut().toString(QKeySequence::NativeText);
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled()) {
            if (menu())
                names << showMenuAction();
            else if (button()->isCheckable())
                names << toggleAction() << pressAction();
            else
                names << pressAction();
        }
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (!widget()->isEnabled())
            return;
        if (actionName == showMenuAction() && menu()) {
            if (auto *tool = qobject_cast<QToolButton *>(button()))
                tool->showMenu();
            else if (auto *push = qobject_cast<QPushButton *>(button()))
                push->showMenu();
        } else if (actionName == pressAction() || actionName == toggleAction()) {
            button()->click();
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
    QMenu *menu() const
    {
        if (auto *tool = qobject_cast<QToolButton *>(button()))
            return tool->menu();
        if (auto *push = qobject_cast<QPushButton *>(button()))
            return push->menu();
        return nullptr;
    }
};

// A plain widget: a window when it stands on its own, a filler inside one.
class PlainWidgetAccessible : public QAccessibleWidget
{
public:
    explicit PlainWidgetAccessible(QWidget *widget)
        : QAccessibleWidget(widget)
    {
    }

    QAccessible::Role role() const override
    {
        return widget()->isWindow() ? QAccessible::Window : QAccessibleWidget::role();
    }

    // The caption even while minimised, where the toolkit would give the icon text.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->isWindow() && widget()->accessibleName().isEmpty())
            return widget()->windowTitle().remove(QStringLiteral("[*]"));
        return QAccessibleWidget::text(t);
    }
};

// Kept by a window: the control that had the keyboard focus when it opened.
class FocusOrigin : public QObject
{
public:
    FocusOrigin(QWidget *window, QWidget *origin)
        : QObject(window)
        , origin(origin)
    {
        setObjectName(QStringLiteral("FocusOrigin"));
    }

    QPointer<QWidget> origin;
};

bool takesFocus(const QWidget *window)
{
    const Qt::WindowType type = window->windowType();
    return (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool)
        && !window->testAttribute(Qt::WA_ShowWithoutActivating)
        && !window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus);
}

constexpr char kCloseOnEscape[] = "zavolinCloseOnEscape";

// When a window that had the focus closes, the focus goes back to the
// control it came from, in whichever window that is. And a window marked so
// closes on Escape, before any shortcut of the same key (a tool window shares
// its owner's, and two of one key would do nothing).
class FocusReturn : public QObject
{
public:
    using QObject::QObject;

private:
    static bool closeOnEscape(QWidget *receiver, QKeyEvent *key)
    {
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
            return false;
        QWidget *window = receiver->window();
        if (!window->property(kCloseOnEscape).toBool())
            return false;
        if (key->type() == QEvent::ShortcutOverride) {
            key->accept(); // comes back as a key press
            return true;
        }
        window->close();
        return true;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && watched->isWidgetType())
            return closeOnEscape(static_cast<QWidget *>(watched), static_cast<QKeyEvent *>(event));
        if ((type != QEvent::Show && type != QEvent::Hide) || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!window->isWindow() || !takesFocus(window))
            return false;
        QWidget *focus = QApplication::focusWidget();
        auto *origin = window->findChild<FocusOrigin *>(QStringLiteral("FocusOrigin"), Qt::FindDirectChildrenOnly);
        if (type == QEvent::Show) {
            QWidget *from = focus && focus->window() != window ? focus : nullptr;
            // A box a window opened gives the focus back to that window, even
            // when it opened before the window itself had the focus.
            QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
            if (owner && owner->isVisible() && (!from || from->window() != owner))
                from = owner->focusWidget() ? owner->focusWidget() : owner;
            if (from) {
                if (origin)
                    origin->origin = from;
                else
                    new FocusOrigin(window, from);
            }
            return false;
        }
        // Only when the focus was here or is nowhere: a window closing in the
        // background leaves the user's place alone.
        const bool hadFocus = QApplication::activeWindow() == window || !focus || focus->window() == window;
        if (!origin || !origin->origin || !hadFocus)
            return false;
        // After the toolkit and the window manager have dealt with the closing window.
        QTimer::singleShot(0, origin->origin.data(), [target = origin->origin, closed = QPointer<QWidget>(window)] {
            // The user, or the window system, has already gone on elsewhere.
            QWidget *now = QApplication::focusWidget();
            QWidget *active = QApplication::activeWindow();
            if (!target || !target->isVisible() || !target->isEnabled()
                || (now && now->isVisible() && now->window() != closed)
                || (active && active->isVisible() && active != closed))
                return;
            target->window()->activateWindow();
            target->setFocus(Qt::ActiveWindowFocusReason);
        });
        return false;
    }
};

// Ctrl+Tab in an editor whose Tab moves the focus.
class TabTyper : public QObject
{
public:
    explicit TabTyper(QPlainTextEdit *editor)
        : QObject(editor)
        , m_editor(editor)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (watched != m_editor || (type != QEvent::KeyPress && type != QEvent::ShortcutOverride))
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Tab || key->modifiers() != Qt::ControlModifier)
            return false;
        if (type == QEvent::ShortcutOverride) {
            key->accept(); // the key is the editor's, not a shortcut's
            return true;
        }
        if (!m_editor->isReadOnly())
            m_editor->insertPlainText(QStringLiteral("\t"));
        return true;
    }

private:
    QPlainTextEdit *m_editor;
};

QAccessibleInterface *factory(const QString &key, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (key == u"QToolButton" || key == u"QPushButton")
        return new ButtonAccessible(static_cast<QAbstractButton *>(widget));
    // Reached only by classes that nothing more specific describes.
    if (key == u"QWidget")
        return new PlainWidgetAccessible(widget);
    return nullptr;
}

} // namespace

namespace Accessibility {

void install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(factory);
    if (qApp)
        qApp->installEventFilter(new FocusReturn(qApp));
}

void closeOnEscape(QWidget *window)
{
    install();
    window->setProperty(kCloseOnEscape, true);
}

void tabLeavesEditor(QPlainTextEdit *editor)
{
    editor->setTabChangesFocus(true);
    editor->installEventFilter(new TabTyper(editor));
}

void setName(QWidget *widget, const QString &name, const QString &description)
{
    // The line of an editable box is a control of its own to a screen reader.
    QWidget *line = nullptr;
    if (auto *box = qobject_cast<QComboBox *>(widget))
        line = box->lineEdit();
    for (QWidget *w : {widget, line}) {
        if (!w)
            continue;
        w->setAccessibleName(name);
        if (!description.isEmpty())
            w->setAccessibleDescription(description);
    }
}

void nameButtonsByHint(QWidget *root)
{
    QList<QAbstractButton *> buttons = root->findChildren<QAbstractButton *>();
    if (auto *self = qobject_cast<QAbstractButton *>(root))
        buttons.prepend(self);
    for (QAbstractButton *button : buttons) {
        if (button->accessibleName().isEmpty() && button->text().isEmpty() && !button->toolTip().isEmpty())
            button->setAccessibleName(button->toolTip());
    }
}

} // namespace Accessibility
