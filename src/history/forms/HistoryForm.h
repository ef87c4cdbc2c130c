#pragma once

#include "HistoryIndex.h"
#include "HistoryModel.h"

#include <QTimer>
#include <QWidget>

class HistoryHighlight;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTreeView;

// "История сообщений": the entries of "Log.txt", newest first, with a search
// that follows the typing, filters by contact and period, copying, and the
// way back from a found entry to its place among all. Reads the file only.
class THistoryForm : public QWidget
{
    Q_OBJECT

public:
    explicit THistoryForm(const QString &logPath, QWidget *parent = nullptr);
    ~THistoryForm() override;

    // One window per program: opens it or brings it to the front.
    static THistoryForm *open(const QString &logPath, QWidget *parent = nullptr);

    HistoryIndex &index() { return m_index; }
    HistoryModel &model() { return *m_model; }
    // The selected entries as the file writes them, to the clipboard.
    void copySelected();
    // Leaves the search and filters and shows the current entry among all.
    void showInContext();

private:
    void applyQuery();
    void updateContacts();
    void updateStatus();
    void showCurrent();
    void updateButtons();
    qint64 currentStart() const;
    void selectStart(qint64 start);

    HistoryIndex m_index;
    HistoryModel *m_model;
    HistoryHighlight *m_highlight;
    QLineEdit *m_search;
    QComboBox *m_contact;
    QCheckBox *m_period;
    QDateEdit *m_fromDate;
    QDateEdit *m_toDate;
    QTreeView *m_list;
    QTextEdit *m_text;
    QPushButton *m_copy;
    QPushButton *m_context;
    QLabel *m_status;
    QTimer m_typing;
    int m_progress = 0;
    qint64 m_keptStart = -1;
};
