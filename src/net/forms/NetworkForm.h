#pragma once

#include "NetworkStatus.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QTreeWidget;

// "Сеть": what the network looks like from this instance, taken anew on
// "Обновить" and every few seconds while the window is open.
class NetworkForm : public QDialog
{
    Q_OBJECT

public:
    using Source = std::function<NetworkStatus()>;
    explicit NetworkForm(Source source, QWidget *parent = nullptr);

    void refresh();

private:
    Source m_source;
    QTreeWidget *m_interfaces;
    QTreeWidget *m_ports;
    QLabel *m_firewall;
    QLabel *m_counts;
    QPlainTextEdit *m_errors;
};
