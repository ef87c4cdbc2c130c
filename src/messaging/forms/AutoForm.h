#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QGroupBox;
class QPushButton;

// The editor of the auto-answer texts: the list of prepared answers and, in the
// list's edit field, the answer in use. List changes are written at once;
// the answer in use only by "ОК". Modal and always on top; open it with open()
// (never exec()), it deletes itself when closed.
class TAutoForm : public QDialog
{
    Q_OBJECT

public:
    explicit TAutoForm(QString settingsPath, QWidget *parent = nullptr);

    QComboBox *comboBox1() const { return m_comboBox1; }
    // The item that "Удалить" removes, -1 when none is chosen.
    int selectedItem() const { return m_selected; }

private:
    void onAdd();
    void onRemove();
    void onOk();
    QStringList items() const;
    void writeList();
    void warn(const QString &text);
    void fail(const QString &text);

    QString m_settingsPath;
    QGroupBox *m_groupBox1;
    QComboBox *m_comboBox1;
    QPushButton *m_button1;
    QPushButton *m_button2;
    QPushButton *m_button3;
    // Picked from the list and not edited since; typing leaves no item chosen.
    int m_selected = -1;
};
