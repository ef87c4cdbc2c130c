#include "NetworkForm.h"

#include "Accessibility.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRefreshMs = 2000;

QTreeWidget *table(QWidget *parent, const QStringList &headers, const QString &name)
{
    auto *tree = new QTreeWidget(parent);
    tree->setHeaderLabels(headers);
    tree->setRootIsDecorated(false);
    tree->setObjectName(name);
    // Short columns as wide as what they hold; the last takes the rest.
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree->header()->setStretchLastSection(true);
    return tree;
}

QLabel *caption(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

NetworkForm::NetworkForm(Source source, QWidget *parent)
    : QDialog(parent)
    , m_source(std::move(source))
{
    setWindowTitle(tr("Сеть - Zavolin"));
    setAttribute(Qt::WA_DeleteOnClose);
    Accessibility::setName(this, tr("Сеть"), tr("Интерфейсы, порты, брандмауэр и датаграммы"));

    m_interfaces = table(this, {tr("Интерфейс"), tr("Адрес"), tr("Рассылка")},
                         QStringLiteral("InterfacesList"));
    Accessibility::setName(m_interfaces, tr("Интерфейсы"),
                           tr("Интерфейсы, их адреса и куда уходят широковещательные датаграммы"));
    m_ports = table(this, {tr("Порт"), tr("Состояние")}, QStringLiteral("PortsList"));
    Accessibility::setName(m_ports, tr("Порты"), tr("Порты и слушает ли каждый"));
    m_firewall = new QLabel(this);
    m_firewall->setWordWrap(true);
    m_firewall->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_firewall->setFocusPolicy(Qt::StrongFocus);
    Accessibility::setName(m_firewall, tr("Брандмауэр"), tr("Итог проверки при запуске"));
    m_counts = new QLabel(this);
    m_counts->setFocusPolicy(Qt::StrongFocus);
    Accessibility::setName(m_counts, tr("Счётчики"),
                           tr("Ответившие экземпляры, принятые и отправленные датаграммы"));
    m_errors = new QPlainTextEdit(this);
    m_errors->setReadOnly(true);
    m_errors->setTabChangesFocus(true);
    Accessibility::setName(m_errors, tr("Последние ошибки"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *again = buttons->addButton(tr("Обновить"), QDialogButtonBox::ActionRole);
    Accessibility::setName(again, tr("Обновить"), tr("Собрать сведения заново"));
    Accessibility::setName(buttons->button(QDialogButtonBox::Close), tr("Закрыть"));
    connect(again, &QPushButton::clicked, this, &NetworkForm::refresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption(tr("&Интерфейсы"), m_interfaces, this));
    layout->addWidget(m_interfaces);
    layout->addWidget(caption(tr("&Порты"), m_ports, this));
    layout->addWidget(m_ports);
    layout->addWidget(caption(tr("&Брандмауэр"), m_firewall, this));
    layout->addWidget(m_firewall);
    layout->addWidget(caption(tr("&Счётчики"), m_counts, this));
    layout->addWidget(m_counts);
    layout->addWidget(caption(tr("После&дние ошибки"), m_errors, this));
    layout->addWidget(m_errors);
    layout->addWidget(buttons);
    resize(560, 520);

    auto *timer = new QTimer(this);
    timer->setInterval(kRefreshMs);
    connect(timer, &QTimer::timeout, this, &NetworkForm::refresh);
    timer->start();
    refresh();
}

void NetworkForm::refresh()
{
    const NetworkStatus status = m_source ? m_source() : NetworkStatus{};
    m_interfaces->clear();
    for (const NetworkStatus::Interface &i : status.interfaces)
        m_interfaces->addTopLevelItem(new QTreeWidgetItem({i.name, i.address, i.broadcastTarget}));
    if (status.interfaces.isEmpty()) {
        auto *none = new QTreeWidgetItem({tr("нет сети, пригодной для рассылки")});
        m_interfaces->addTopLevelItem(none);
        none->setFirstColumnSpanned(true); // a sentence, not a name
    }
    m_ports->clear();
    for (const NetworkStatus::Port &p : status.ports)
        m_ports->addTopLevelItem(new QTreeWidgetItem({p.name, p.listening ? tr("слушает") : p.note}));
    m_firewall->setText(status.firewall);
    m_counts->setText(tr("Ответили экземпляров: %1\nДатаграмм принято: %2, отправлено: %3\n"
                         "Адресов из списка IP для объявления: %4")
                          .arg(status.contacts)
                          .arg(status.datagramsReceived)
                          .arg(status.datagramsSent)
                          .arg(status.ipListAddresses));
    const QString errors = status.lastErrors.isEmpty() ? tr("нет") : status.lastErrors.join(u'\n');
    if (m_errors->toPlainText() != errors)
        m_errors->setPlainText(errors);
}
