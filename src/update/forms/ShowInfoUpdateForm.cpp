#include "ShowInfoUpdateForm.h"

#include "PageMarkup.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

// Shows the page's own text only: nothing it refers to is loaded, neither from
// the network nor from this computer's files.
class PageView : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int, const QUrl &) override { return {}; }
};

} // namespace

Tfrm_ShowInfoUpdate::Tfrm_ShowInfoUpdate(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frm_ShowInfoUpdate"));
    setWindowTitle(QStringLiteral("WebUpdate"));
    setFixedSize(530, 453);

    m_browser = new PageView(this);
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    m_browser->setAccessibleName(tr("Сведения об обновлении"));
    m_browser->setOpenLinks(false);
    // Links on the page (release notes, say) open in the desktop's browser.
    connect(m_browser, &QTextBrowser::anchorClicked, this, [](const QUrl &link) {
        const QString scheme = link.scheme().toLower();
        if (scheme == u"http" || scheme == u"https")
            QDesktopServices::openUrl(link);
    });

    auto *checkFrame = new QFrame(this);
    checkFrame->setObjectName(QStringLiteral("Panel1"));
    checkFrame->setFrameShape(QFrame::StyledPanel);
    m_checkStrip = checkFrame;
    m_futureUpdate = new QCheckBox(m_checkStrip);
    m_futureUpdate->setObjectName(QStringLiteral("chk_FutureUpdate"));
    auto *checkLayout = new QVBoxLayout(m_checkStrip);
    checkLayout->setContentsMargins(8, 4, 8, 4);
    checkLayout->addWidget(m_futureUpdate);

    m_buttonStrip = new QWidget(this);
    m_buttonStrip->setObjectName(QStringLiteral("Panel2"));
    m_buttonStrip->setFixedHeight(kButtonHeight + 16);
    m_ok = new QPushButton(m_buttonStrip);
    m_ok->setObjectName(QStringLiteral("btn_OK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(m_buttonStrip);
    m_cancel->setObjectName(QStringLiteral("btn_Cancel"));
    for (QPushButton *button : {m_ok, m_cancel})
        button->setFixedSize(kButtonWidth, kButtonHeight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_buttonStrip->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_browser, 1);
    layout->addWidget(m_checkStrip);
    layout->addWidget(m_buttonStrip);

    connect(this, &QDialog::finished, this, [this](int result) {
        Answer<bool, bool> answer = std::move(m_answer);
        m_answer = nullptr;
        if (answer)
            answer(result == QDialog::Accepted, m_futureUpdate->isChecked());
    });
}

void Tfrm_ShowInfoUpdate::showInfo(const InfoRequest &request, Answer<bool, bool> agreedAndCheckForUpdate)
{
    m_answer = std::move(agreedAndCheckForUpdate);
    m_ok->setText(request.okCaption);
    m_cancel->setText(request.cancelCaption);
    m_futureUpdate->setText(request.checkForUpdateCaption);
    m_futureUpdate->setChecked(request.checkForUpdate);
    // The page comes over plain HTTP: whatever it holds, the view gets flat
    // markup whose layout costs time in proportion to its size.
    m_browser->setHtml(PageMarkup::flatten(request.pageText));
    m_browser->setToolTip(request.address);
    open();
}

QTextBrowser *Tfrm_ShowInfoUpdate::browser() const
{
    return m_browser;
}

QCheckBox *Tfrm_ShowInfoUpdate::futureUpdateBox() const
{
    return m_futureUpdate;
}

QPushButton *Tfrm_ShowInfoUpdate::okButton() const
{
    return m_ok;
}

QPushButton *Tfrm_ShowInfoUpdate::cancelButton() const
{
    return m_cancel;
}

bool Tfrm_ShowInfoUpdate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_buttonStrip && event->type() == QEvent::Resize)
        placeButtons();
    return QDialog::eventFilter(watched, event);
}

void Tfrm_ShowInfoUpdate::placeButtons()
{
    // Centred as a pair, 3 pixels apart.
    const int left = (m_buttonStrip->width() - kButtonWidth - kButtonWidth - 6) / 2;
    const int top = (m_buttonStrip->height() - kButtonHeight) / 2;
    m_ok->move(left, top);
    m_cancel->move(left + kButtonWidth + 3, top);
}
