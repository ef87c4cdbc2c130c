#pragma once

#include "WebUpdate.h"

#include <QDialog>

class QCheckBox;
class QPushButton;
class QTextBrowser;
class QWidget;

// The information page before a download: the page's text with a flat subset
// of its markup (see PageMarkup), the "check for updates in the future" box,
// OK (go on) and Cancel (end the check).
// Opened without blocking; the answer goes to the callback given to showInfo.
class Tfrm_ShowInfoUpdate : public QDialog
{
    Q_OBJECT

public:
    explicit Tfrm_ShowInfoUpdate(QWidget *parent = nullptr);

    void showInfo(const InfoRequest &request, Answer<bool, bool> agreedAndCheckForUpdate);

    QTextBrowser *browser() const;
    QCheckBox *futureUpdateBox() const;
    QPushButton *okButton() const;
    QPushButton *cancelButton() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeButtons();

    QTextBrowser *m_browser;
    QWidget *m_checkStrip;
    QCheckBox *m_futureUpdate;
    QWidget *m_buttonStrip;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    Answer<bool, bool> m_answer;
};
