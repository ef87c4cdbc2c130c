#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QInputDialog;
class QListWidget;
class QPushButton;

// The phrase editor: the phrases of one file, added to and deleted from in
// the window and written to the file only by "Ok"; closed any other way the
// file stays as it was. Modal to its parent but never blocking: open it with
// open(), it deletes itself when closed.
class TWordEditForm : public QDialog
{
    Q_OBJECT

public:
    // Shows `phrases` (sorted here); "Ok" writes them to `path`.
    TWordEditForm(QString path, const QStringList &phrases, QWidget *parent = nullptr);

    QListWidget *listBox1() const { return m_listBox1; }
    QStringList phrases() const;
    // The input box of "Добавить" while it is open.
    QInputDialog *inputBox() const { return m_inputBox; }

private:
    void onAdd();
    void onRemove();
    void onOk();
    void addPhrase(const QString &phrase);

    QString m_path;
    QListWidget *m_listBox1;
    QPushButton *m_button1; // "Добавить"
    QPushButton *m_button2; // "Удалить"
    QPushButton *m_button3; // "Ok"
    QInputDialog *m_inputBox = nullptr;
};
