#include "WordEditForm.h"

#include "MessageBoxes.h"
#include "PhraseFile.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

TWordEditForm::TWordEditForm(QString path, const QStringList &phrases, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_path(std::move(path))
    , m_listBox1(new QListWidget(this))
    , m_button1(new QPushButton(tr("Добавить"), this))
    , m_button2(new QPushButton(tr("Удалить"), this))
    , m_button3(new QPushButton(u"Ok"_s, this))
{
    setObjectName(u"WordEditForm"_s);
    setWindowTitle(tr("Редактирование фраз - Zavolin"));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(327, 167);

    m_listBox1->setObjectName(u"ListBox1"_s);
    m_listBox1->setAccessibleName(tr("Фразы"));
    m_button1->setObjectName(u"Button1"_s);
    m_button2->setObjectName(u"Button2"_s);
    m_button3->setObjectName(u"Button3"_s);
    m_listBox1->setGeometry(8, 8, 224, 151);
    m_button1->setGeometry(240, 8, 79, 25);
    m_button2->setGeometry(240, 40, 79, 25);
    m_button3->setGeometry(240, 134, 79, 25);
    for (QPushButton *button : {m_button1, m_button2})
        button->setAutoDefault(false);
    m_button3->setDefault(true);

    // Kept in order as they are added: the list is sorted the way the file is.
    m_listBox1->addItems(PhraseFile::sorted(phrases));

    connect(m_button1, &QPushButton::clicked, this, &TWordEditForm::onAdd);
    connect(m_button2, &QPushButton::clicked, this, &TWordEditForm::onRemove);
    connect(m_button3, &QPushButton::clicked, this, &TWordEditForm::onOk);

    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());
}

QStringList TWordEditForm::phrases() const
{
    QStringList result;
    for (int i = 0; i < m_listBox1->count(); ++i)
        result.append(m_listBox1->item(i)->text());
    return result;
}

void TWordEditForm::onAdd()
{
    if (m_inputBox)
        return;
    m_inputBox = new QInputDialog(this);
    m_inputBox->setObjectName(u"InputBox"_s);
    m_inputBox->setAttribute(Qt::WA_DeleteOnClose);
    m_inputBox->setWindowTitle(u"Zavolin"_s);
    m_inputBox->setLabelText(tr("Введите текст новой фразы:"));
    m_inputBox->setInputMode(QInputDialog::TextInput);
    if (auto *edit = m_inputBox->findChild<QLineEdit *>())
        edit->setMaxLength(PhraseFile::kMaxEnteredLength);
    // textValueSelected comes only with OK; an empty text is a phrase too.
    connect(m_inputBox, &QInputDialog::textValueSelected, this, &TWordEditForm::addPhrase);
    connect(m_inputBox, &QObject::destroyed, this, [this] { m_inputBox = nullptr; });
    m_inputBox->open();
}

void TWordEditForm::addPhrase(const QString &phrase)
{
    const int row = int(PhraseFile::insertionPoint(phrases(), phrase));
    m_listBox1->insertItem(row, phrase);
}

void TWordEditForm::onRemove()
{
    const int row = m_listBox1->currentRow();
    if (row < 0 || !m_listBox1->item(row)->isSelected())
        return;
    delete m_listBox1->takeItem(row);
}

void TWordEditForm::onOk()
{
    QString reason;
    if (!PhraseFile::write(m_path, phrases(), &reason)) {
        // The window stays, so nothing typed is lost and Ok can be tried again.
        MessageBoxes::applicationError(this, PhraseFile::cannotCreate(m_path));
        return;
    }
    accept();
}
