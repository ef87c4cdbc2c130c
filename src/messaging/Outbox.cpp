#include "Outbox.h"

#include "Cp1251.h"
#include "PrivateFiles.h"

#include <QCoreApplication>
#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <unistd.h>

namespace {

const QByteArray kMagic = "ZAVOLIN OUTBOX 1\r\n";
const QString kTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// Fields are separated by TAB and the line ends at CR LF: neither may occur in them.
QByteArray field(const QString &value)
{
    QByteArray bytes = Cp1251::encode(value);
    for (char &c : bytes) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return bytes;
}

} // namespace

Outbox::Outbox(QString path)
    : m_path(std::move(path))
{
}

QByteArray Outbox::serialize(const QList<Message> &messages)
{
    QByteArray out = kMagic;
    for (const Message &m : messages) {
        const QByteArray text = Cp1251::encode(m.text);
        out += '#' + QByteArray::number(m.id) + '\t' + field(m.recipient.host) + '\t' + field(m.recipient.displayName)
               + '\t' + field(m.recipient.fallbackHost) + '\t' + m.written.toString(kTimeFormat).toLatin1() + '\t'
               + QByteArray::number(text.size()) + "\r\n" + text + "\r\n";
    }
    return out;
}

Outbox::Reading Outbox::read(QIODevice &device)
{
    Reading reading;
    reading.damaged = true; // until the end is reached in order
    if (device.read(kMagic.size()) != kMagic)
        return reading;
    while (!device.atEnd()) {
        if (reading.messages.size() >= kMaxMessages) {
            reading.damaged = false;
            reading.tooMany = true;
            return reading;
        }
        const QByteArray line = device.readLine(kMaxHeaderBytes);
        if (!line.startsWith('#') || !line.endsWith("\r\n"))
            return reading;
        const QList<QByteArray> fields = line.sliced(1, line.size() - 3).split('\t');
        if (fields.size() != 6)
            return reading;
        bool idOk = false;
        bool lengthOk = false;
        Message m;
        m.id = fields[0].toULongLong(&idOk);
        m.recipient = {Cp1251::decode(fields[1]), Cp1251::decode(fields[2]), Cp1251::decode(fields[3])};
        m.written = QDateTime::fromString(QString::fromLatin1(fields[4]), kTimeFormat);
        const qint64 length = fields[5].toLongLong(&lengthOk);
        if (!idOk || !lengthOk || length < 0 || m.recipient.host.isEmpty())
            return reading;
        if (length > kMaxTextBytes) {
            // It could never go out; its bytes are passed over, not held.
            if (device.skip(length) != length || device.read(2) != "\r\n")
                return reading;
            ++reading.tooLong;
            continue;
        }
        const QByteArray text = device.read(length + 2);
        if (text.size() != length + 2 || !text.endsWith("\r\n"))
            return reading;
        m.text = Cp1251::decode(QByteArrayView(text).first(length));
        reading.messages.append(m);
    }
    reading.damaged = false;
    return reading;
}

QList<Outbox::Message> Outbox::parse(const QByteArray &bytes, bool *complete)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Reading reading = read(buffer);
    *complete = reading.complete();
    return std::move(reading.messages);
}

bool Outbox::load(QString *error)
{
    m_messages.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    PrivateFiles::narrowToOwner(file.handle());
    Reading reading = read(file);
    file.close();
    m_messages = std::move(reading.messages);
    for (const Message &m : std::as_const(m_messages))
        m_nextId = qMax(m_nextId, m.id + 1);
    if (reading.complete())
        return true;
    // Nothing is lost: the whole file stays for the user under another name,
    // and what was read goes on waiting in a file of its own.
    const QString kept = m_path + QStringLiteral(".bad");
    const bool setAside = keepAside(kept);
    if (setAside)
        save();
    if (!error)
        return false;
    const QString where = setAside ? QCoreApplication::translate("Outbox", "весь файл сохранён в %1").arg(kept)
                                   : QCoreApplication::translate("Outbox", "сохранить его копию в %1 не удалось").arg(kept);
    if (reading.damaged) {
        *error = QCoreApplication::translate("Outbox", "Файл %1 повреждён; прочитано сообщений: %2, %3")
                     .arg(m_path)
                     .arg(m_messages.size())
                     .arg(where);
    } else {
        *error = QCoreApplication::translate("Outbox", "В файле %1 больше, чем вмещает очередь (не больше %2 сообщений, каждое не длиннее "
                                "%3 байт); в очереди оставлено сообщений: %4, %5")
                     .arg(m_path)
                     .arg(kMaxMessages)
                     .arg(kMaxTextBytes)
                     .arg(m_messages.size())
                     .arg(where);
    }
    return false;
}

bool Outbox::keepAside(const QString &kept) const
{
    QFile::remove(kept);
    // A second name for the same file: nothing is copied, and until the list
    // is saved again the damaged file is still where it was.
    if (::link(QFile::encodeName(m_path).constData(), QFile::encodeName(kept).constData()) == 0)
        return true;
    return QFile::copy(m_path, kept);
}

QList<Outbox::Message> Outbox::waitingFor(const QString &host) const
{
    QList<Message> found;
    for (const Message &m : m_messages) {
        if (m.recipient.host == host)
            found.append(m);
    }
    return found;
}

int Outbox::countFor(const QString &host) const
{
    int count = 0;
    for (const Message &m : m_messages)
        count += m.recipient.host == host ? 1 : 0;
    return count;
}

const Outbox::Message *Outbox::find(quint64 id) const
{
    for (const Message &m : m_messages) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

bool Outbox::add(const Recipient &recipient, const QString &text, const QDateTime &written, quint64 *id)
{
    Message m{m_nextId++, recipient, text, written};
    m_messages.append(m);
    if (id)
        *id = m.id;
    return save();
}

bool Outbox::remove(quint64 id)
{
    const qsizetype before = m_messages.size();
    m_messages.removeIf([id](const Message &m) { return m.id == id; });
    return m_messages.size() == before || save();
}

bool Outbox::setText(quint64 id, const QString &text)
{
    for (Message &m : m_messages) {
        if (m.id == id) {
            m.text = text;
            return save();
        }
    }
    return false;
}

bool Outbox::save()
{
    if (m_messages.isEmpty() && !QFile::exists(m_path))
        return true;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(PrivateFiles::forReplacement(m_path));
    file.write(serialize(m_messages));
    return file.commit();
}
