#include "Outbox.h"

#include "Cp1251.h"

#include <QFile>
#include <QSaveFile>

namespace {

const QByteArray kMagic = "ZAVOLIN OUTBOX 1\r\n";
const QString kTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
// A text longer than a message can carry is no message of ours.
constexpr qint64 kMaxTextBytes = 64 * 1024 * 1024;

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

QList<Outbox::Message> Outbox::parse(const QByteArray &bytes, bool *complete)
{
    QList<Message> messages;
    *complete = false;
    if (!bytes.startsWith(kMagic))
        return messages;
    qsizetype at = kMagic.size();
    while (at < bytes.size()) {
        const qsizetype eol = bytes.indexOf("\r\n", at);
        if (eol < 0 || bytes.at(at) != '#')
            return messages;
        const QList<QByteArray> fields = bytes.mid(at + 1, eol - at - 1).split('\t');
        if (fields.size() != 6)
            return messages;
        bool idOk = false;
        bool lengthOk = false;
        Message m;
        m.id = fields[0].toULongLong(&idOk);
        m.recipient = {Cp1251::decode(fields[1]), Cp1251::decode(fields[2]), Cp1251::decode(fields[3])};
        m.written = QDateTime::fromString(QString::fromLatin1(fields[4]), kTimeFormat);
        const qint64 length = fields[5].toLongLong(&lengthOk);
        const qsizetype textStart = eol + 2;
        if (!idOk || !lengthOk || length < 0 || length > kMaxTextBytes || m.recipient.host.isEmpty()
            || textStart + length + 2 > bytes.size()
            || QByteArrayView(bytes).sliced(textStart + length, 2) != "\r\n")
            return messages;
        m.text = Cp1251::decode(QByteArrayView(bytes).sliced(textStart, length));
        messages.append(m);
        at = textStart + length + 2;
    }
    *complete = true;
    return messages;
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
    const QByteArray bytes = file.readAll();
    file.close();
    bool complete = false;
    m_messages = parse(bytes, &complete);
    for (const Message &m : std::as_const(m_messages))
        m_nextId = qMax(m_nextId, m.id + 1);
    if (complete)
        return true;
    // Nothing is lost: the damaged file stays for the user, the rest goes on waiting.
    const QString kept = m_path + QStringLiteral(".bad");
    QFile::remove(kept);
    QFile::copy(m_path, kept);
    if (error)
        *error = QStringLiteral("Файл %1 повреждён; прочитано сообщений: %2, копия сохранена в %3")
                     .arg(m_path)
                     .arg(m_messages.size())
                     .arg(kept);
    return false;
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
    file.write(serialize(m_messages));
    return file.commit();
}
