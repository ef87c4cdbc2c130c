#pragma once

#include <QElapsedTimer>
#include <QString>

// Logs dropped frames and datagrams without letting a flood from the network
// flood the log: the first few of each minute are written with their reason,
// the rest only counted and summed up when the next minute begins.
class DropLog
{
public:
    explicit DropLog(QString what, int perMinute = 10);

    void record(const QString &reason);

private:
    QString m_what;
    int m_perMinute;
    int m_inWindow = 0;
    qint64 m_suppressed = 0;
    QElapsedTimer m_window;
};
