#include "KeyForm.h"

#include "Fingerprint.h"
#include "SecureChannel.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel *fingerprintLabel(const QString &objectName, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus); // read by a screen reader, and selectable, from the keyboard
    QFont font(QStringLiteral("monospace"));
    font.setStyleHint(QFont::Monospace);
    label->setFont(font);
    return label;
}
} // namespace

TKeyForm::TKeyForm(SecureChannel &channel, const QString &ownName, const QString &contact, QWidget *parent)
    : QDialog(parent)
    , m_channel(channel)
    , m_contact(contact)
{
    setObjectName(QStringLiteral("KeyForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Ключи - Zavolin"));
    setAccessibleName(windowTitle());
    auto *layout = new QVBoxLayout(this);

    auto *ownCaption = new QLabel(QStringLiteral("Этот компьютер (%1):").arg(ownName), this);
    m_own = fingerprintLabel(QStringLiteral("OwnFingerprint"), this);
    m_own->setAccessibleName(ownCaption->text());
    auto *pinnedCaption = new QLabel(QStringLiteral("Компьютер %1:").arg(contact), this);
    m_pinned = fingerprintLabel(QStringLiteral("PinnedFingerprint"), this);
    m_pinned->setAccessibleName(pinnedCaption->text());
    m_offered = fingerprintLabel(QStringLiteral("OfferedFingerprint"), this);
    m_offered->setAccessibleName(QStringLiteral("Новый ключ"));
    m_verified = new QCheckBox(QStringLiteral("проверен"), this);
    m_verified->setObjectName(QStringLiteral("VerifiedBox"));
    m_verified->setAccessibleName(QStringLiteral("проверен"));
    m_verified->setToolTip(QStringLiteral("Отпечатки сверены с владельцем компьютера (например, по телефону)"));
    m_accept = new QPushButton(QStringLiteral("Принять новый ключ"), this);
    m_accept->setObjectName(QStringLiteral("AcceptKeyButton"));
    m_accept->setAccessibleName(m_accept->text());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(QStringLiteral("Закрыть"));

    layout->addWidget(ownCaption);
    layout->addWidget(m_own);
    layout->addWidget(pinnedCaption);
    layout->addWidget(m_pinned);
    layout->addWidget(m_offered);
    layout->addWidget(m_accept);
    layout->addWidget(m_verified);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_verified, &QCheckBox::toggled, this, [this](bool on) {
        if (m_channel.pins().pin(m_contact))
            m_channel.trust().setCompared(m_contact, on);
    });
    connect(m_accept, &QPushButton::clicked, this, [this] {
        const QList<KeyTrust::Candidate> offered = m_channel.trust().candidates(m_contact);
        if (!offered.isEmpty())
            m_channel.trust().accept(m_contact, offered.first().fingerprint);
        refresh();
    });
    connect(&m_channel.trust(), &KeyTrust::changed, this, &TKeyForm::refresh);
    refresh();
}

void TKeyForm::refresh()
{
    m_own->setText(Fingerprint::grouped(m_channel.identity().fingerprint()));
    const auto pin = m_channel.pins().pin(m_contact);
    m_pinned->setText(pin ? Fingerprint::grouped(pin->fingerprint)
                          : QStringLiteral("ключ не известен: компьютер ещё не объявлял его"));
    const QList<KeyTrust::Candidate> offered = m_channel.trust().candidates(m_contact);
    const bool mismatch = !offered.isEmpty();
    m_offered->setVisible(mismatch);
    m_accept->setVisible(mismatch);
    if (mismatch)
        m_offered->setText(QStringLiteral("Предъявлен другой ключ%1:\n%2")
                               .arg(offered.first().address.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(offered.first().address),
                                    Fingerprint::grouped(offered.first().fingerprint)));
    const QSignalBlocker quiet(m_verified);
    m_verified->setEnabled(pin.has_value() && !mismatch);
    m_verified->setChecked(pin && pin->verified);
}
