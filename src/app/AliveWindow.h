#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

// A plain window that shows the instance is running and what it receives.
class AliveWindow : public QWidget
{
    Q_OBJECT

public:
    explicit AliveWindow(const QString &ownName, QWidget *parent = nullptr);

    void showMessage(const QString &fromName, const QString &text);
    void showNotice(const QString &text);

private:
    QPlainTextEdit *m_log;
};
