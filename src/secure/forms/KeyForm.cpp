#include "KeyForm.h"

#include "Fingerprint.h"
#include "KeyQuestion.h"
#include "SecureChannel.h"
#include "TrustMarks.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 32;

QFont fixedFont()
{
    QFont font(QStringLiteral("monospace"));
    font.setStyleHint(QFont::Monospace);
    return font;
}

// A fingerprint as text a screen reader reads and the keyboard selects.
QLineEdit *fingerprintField(QLabel *caption, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setFont(fixedFont());
    const QString sample = Fingerprint::grouped(QString(Fingerprint::kLength, u'0'));
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(sample) + 16);
    field->setAccessibleName(caption->text());
    caption->setBuddy(field);
    return field;
}

QLabel *wrapped(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setWordWrap(true);
    return label;
}

QString levelExplanation(TrustLevel level, bool conflict)
{
    switch (level) {
    case TrustLevel::Compared:
        return QCoreApplication::translate("TKeyForm", "Ключ закреплён, и его отпечаток сверен с владельцем компьютера.");
    case TrustLevel::FirstUse:
        return QCoreApplication::translate("TKeyForm", "Ключ закреплён при первом соединении, но его отпечаток с владельцем компьютера "
                              "не сверен: если в тот раз ответил чужой компьютер, это осталось незамеченным.");
    case TrustLevel::Open:
        break;
    }
    if (conflict)
        return QCoreApplication::translate("TKeyForm", "Несколько компьютеров называют себя этим именем и объявляют разные ключи. "
                              "Пока вы не выберете один из них ниже, ключ не закреплён, и сообщения "
                              "и файлы передаются без шифрования.");
    return QCoreApplication::translate("TKeyForm", "Ключ не закреплён: сообщения и файлы передаются без шифрования. Ключ закрепится сам, "
                          "когда компьютер подтвердит его при соединении.");
}

} // namespace

TKeyForm::TKeyForm(SecureChannel &channel, const QString &ownName, const QString &contact, QWidget *parent)
    : QDialog(parent)
    , m_channel(channel)
    , m_contact(contact)
{
    setObjectName(QStringLiteral("KeyForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Ключи и отпечатки: %1 - Zavolin").arg(contact));
    setAccessibleName(windowTitle());
    auto *layout = new QVBoxLayout(this);

    m_levelIcon = new QLabel(this);
    m_levelIcon->setFixedSize(kIconSize, kIconSize);
    m_level = new QLabel(this);
    QFont bold = m_level->font();
    bold.setBold(true);
    m_level->setFont(bold);
    m_level->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_level->setFocusPolicy(Qt::StrongFocus); // the level is read first, from the keyboard too
    m_explanation = wrapped(this);
    auto *levelText = new QVBoxLayout;
    levelText->addWidget(m_level);
    levelText->addWidget(m_explanation);
    auto *levelRow = new QHBoxLayout;
    levelRow->addWidget(m_levelIcon, 0, Qt::AlignTop);
    levelRow->addLayout(levelText, 1);

    auto *howTo = wrapped(this);
    howTo->setText(tr("Сверить ключ — значит сравнить отпечаток ключа %1 с отпечатком, который его "
                                  "владелец видит у себя как отпечаток своего компьютера (например, прочитав цифры "
                                  "по телефону); если они совпадают, отметьте «проверен».")
                       .arg(contact));

    auto *ownCaption = new QLabel(tr("Отпечаток этого компьютера (%1):").arg(ownName), this);
    m_own = fingerprintField(ownCaption, this);
    auto *pinnedCaption = new QLabel(tr("Отпечаток ключа %1:").arg(contact), this);
    m_pinned = fingerprintField(pinnedCaption, this);
    m_pinInfo = wrapped(this);

    m_verified = new QCheckBox(tr("проверен"), this);
    m_verified->setAccessibleName(tr("проверен"));
    m_verified->setAccessibleDescription(tr("Отпечаток сверен с владельцем компьютера"));
    m_verified->setToolTip(m_verified->accessibleDescription());
    m_forget = new QPushButton(tr("Забыть ключ..."), this);
    m_forget->setAccessibleName(tr("Забыть ключ"));
    auto *pinRow = new QHBoxLayout;
    pinRow->addWidget(m_verified);
    pinRow->addStretch();
    pinRow->addWidget(m_forget);

    m_offeredPart = new QWidget(this);
    auto *offeredLayout = new QVBoxLayout(m_offeredPart);
    offeredLayout->setContentsMargins(0, 0, 0, 0);
    m_offeredIntro = wrapped(m_offeredPart);
    m_offered = new QTreeWidget(m_offeredPart);
    m_offered->setAccessibleName(tr("Предложенные ключи"));
    m_offered->setRootIsDecorated(false);
    m_offered->setHeaderLabels({tr("Адрес"), tr("Подтверждение"), tr("Отпечаток")});
    m_offered->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_offered->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_accept = new QPushButton(tr("Принять выбранный ключ..."), this);
    m_accept->setAccessibleName(tr("Принять выбранный ключ"));
    offeredLayout->addWidget(m_offeredIntro);
    offeredLayout->addWidget(m_offered);
    offeredLayout->addWidget(m_accept, 0, Qt::AlignLeft);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *close = buttons->button(QDialogButtonBox::Close);
    close->setText(tr("Закрыть"));
    close->setAccessibleName(tr("Закрыть"));
    // Enter anywhere closes the window; a key is accepted or forgotten only by its own button and an answer.
    for (QPushButton *button : {m_forget, m_accept})
        button->setAutoDefault(false);
    close->setDefault(true);

    layout->addLayout(levelRow);
    layout->addWidget(howTo);
    layout->addWidget(ownCaption);
    layout->addWidget(m_own);
    layout->addWidget(pinnedCaption);
    layout->addWidget(m_pinned);
    layout->addWidget(m_pinInfo);
    layout->addLayout(pinRow);
    layout->addWidget(m_offeredPart);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_verified, &QCheckBox::toggled, this, [this](bool on) { m_channel.trust().setCompared(m_contact, on); });
    connect(m_accept, &QPushButton::clicked, this, &TKeyForm::askAccept);
    connect(m_forget, &QPushButton::clicked, this, &TKeyForm::askForget);
    connect(m_offered, &QTreeWidget::currentItemChanged, this,
            [this](const QTreeWidgetItem *current) { m_accept->setEnabled(current != nullptr); });
    connect(&m_channel.trust(), &KeyTrust::changed, this, [this](const QString &name) {
        if (name.compare(m_contact, Qt::CaseInsensitive) == 0)
            refresh();
    });
    refresh();
}

void TKeyForm::refresh()
{
    const KeyTrust &trust = m_channel.trust();
    const TrustLevel level = trust.levelOf(m_contact);
    const bool conflict = trust.hasConflict(m_contact);
    m_levelIcon->setPixmap(TrustMarks::pixmap(level, kIconSize));
    m_level->setText(QStringLiteral("%1: %2").arg(m_contact, TrustMarks::words(level)));
    m_explanation->setText(levelExplanation(level, conflict));

    m_own->setText(Fingerprint::grouped(m_channel.identity().fingerprint()));
    const std::optional<PinStore::Pin> pin = m_channel.pins().pin(m_contact);
    m_pinned->setText(pin ? Fingerprint::grouped(pin->fingerprint) : tr("ключ не закреплён"));
    const bool seen = pin && pin->firstSeen.isValid();
    const bool proven = pin && !pin->address.isEmpty();
    // Whole sentences, so a translation is free to order them its own way.
    const QString when =
        seen ? QLocale().toString(pin->firstSeen.toLocalTime(), tr("dd.MM.yyyy 'в' HH:mm")) : QString();
    QString info;
    if (seen && proven)
        info = tr("Ключ впервые получен %1; последний раз подтверждён с адреса %2.").arg(when, pin->address);
    else if (seen)
        info = tr("Ключ впервые получен %1.").arg(when);
    else if (proven)
        info = tr("Ключ последний раз подтверждён с адреса %1.").arg(pin->address);
    m_pinInfo->setText(info);
    m_pinInfo->setVisible(!info.isEmpty());

    const QList<KeyTrust::Candidate> offered = trust.candidates(m_contact);
    const QString chosen = m_offered->currentItem() ? m_offered->currentItem()->data(2, Qt::UserRole).toString()
                                                    : QString();
    m_offered->clear();
    for (const KeyTrust::Candidate &candidate : offered) {
        auto *item = new QTreeWidgetItem(m_offered, {candidate.address,
                                                     candidate.proven ? tr("подтверждён соединением")
                                                                      : tr("только объявлен"),
                                                     Fingerprint::grouped(candidate.fingerprint)});
        item->setData(2, Qt::UserRole, candidate.fingerprint);
        item->setFont(2, fixedFont());
        if (Fingerprint::same(candidate.fingerprint, chosen) || !m_offered->currentItem())
            m_offered->setCurrentItem(item);
    }
    m_offeredIntro->setText(
        pin ? tr("При соединении компьютер %1 предъявил другой ключ. Пока вы его не примете, ключ "
                             "не меняется, и по защищённому каналу ему ничего не отправляется:")
                  .arg(m_contact)
            : tr("Ключи, которые объявляют компьютеры с именем %1. Выбирайте ключ, только сверив "
                             "его отпечаток с владельцем компьютера:")
                  .arg(m_contact));
    // Few keys are ever offered (a handful of addresses): all of them, whole, without scrolling.
    for (int column = 0; column < m_offered->columnCount(); ++column)
        m_offered->resizeColumnToContents(column);
    const int frame = 2 * m_offered->frameWidth();
    m_offered->setMinimumWidth(m_offered->header()->length() + frame);
    m_offered->setFixedHeight(m_offered->header()->sizeHint().height() + frame + 4
                              + int(std::max<qsizetype>(offered.size(), 1)) * std::max(m_offered->sizeHintForRow(0), 0));
    m_offeredPart->setVisible(!offered.isEmpty());
    m_accept->setEnabled(m_offered->currentItem() != nullptr);

    m_forget->setEnabled(pin.has_value());
    const QSignalBlocker quiet(m_verified);
    m_verified->setEnabled(pin.has_value() && offered.isEmpty());
    m_verified->setChecked(pin && pin->verified);
}

void TKeyForm::askAccept()
{
    const QTreeWidgetItem *item = m_offered->currentItem();
    if (!item)
        return;
    // The key the user chose now is the one pinned, whatever is offered meanwhile.
    const QString fingerprint = item->data(2, Qt::UserRole).toString();
    const QString html =
        tr("<p>Закрепить за компьютером %1 ключ с адреса %2?</p><p>Его отпечаток:</p>%3"
                       "<p>Отвечайте «Да», только сверив этот отпечаток с владельцем компьютера "
                       "(например, по телефону).</p>")
            .arg(m_contact.toHtmlEscaped(), item->text(0).toHtmlEscaped(), KeyQuestion::fingerprintHtml(fingerprint));
    KeyQuestion::ask(this, tr("Принять ключ"), html, [this, fingerprint] {
        m_channel.trust().accept(m_contact, fingerprint);
        refresh();
    });
}

void TKeyForm::askForget()
{
    const QString html =
        tr("<p>Забыть ключ компьютера %1?</p><p>Сообщения и файлы для него будут передаваться без шифрования, "
                       "пока компьютер снова не подтвердит свой ключ при соединении; тогда ключ закрепится "
                       "заново как несверенный.</p>")
            .arg(m_contact.toHtmlEscaped());
    KeyQuestion::ask(this, tr("Забыть ключ"), html, [this] {
        m_channel.trust().forget(m_contact);
        refresh();
    });
}
