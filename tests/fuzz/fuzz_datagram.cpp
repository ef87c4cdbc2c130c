// Datagram dispatch: a run of datagrams (one per line of the input) against
// a contact list, with the chat window open and joined. The lists stay
// index-parallel and nothing is ever answered with more than a few datagrams.
#include "ContactList.h"
#include "Cp1251.h"
#include "DatagramDispatcher.h"
#include "FuzzCheck.h"
#include "PresenceContext.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

namespace {

class FakeChat : public ChatPort
{
public:
    bool isJoined() const override { return true; }
    QString ownNick() const override { return QStringLiteral("nick"); }
    bool hasParticipant(const QString &nick) const override { return participants.contains(nick); }
    bool addParticipant(const QString &nick) override
    {
        participants.insert(nick);
        return true;
    }
    void removeParticipant(const QString &nick) override { participants.remove(nick); }
    void appendLine(const QString &) override { ++lines; }

    QSet<QString> participants;
    int lines = 0;
};

class FakeContext : public PresenceContext
{
public:
    QString ownName() const override { return QStringLiteral("PC-OWN"); }
    QString displayName(const QString &name) const override
    {
        return name == u"PC-ALIASED" ? QStringLiteral("Шеф") : name;
    }
    bool isAutoAnswerOn() const override { return true; }
    bool isStatusNoticeOn() const override { return true; }
    void broadcast(const QString &) override { ++broadcasts; }
    void showNotice(const QString &) override {}
    ChatPort *chat() override { return &chatPort; }

    FakeChat chatPort;
    int broadcasts = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ContactList contacts;
    FakeContext context;
    DatagramDispatcher dispatcher(contacts, context);
    for (const QByteArray &datagram : bytes.split('\n')) {
        const int before = context.broadcasts;
        dispatcher.dispatch(Cp1251::decode(datagram));
        FUZZ_CHECK(context.broadcasts - before <= 3); // a reply, never a storm
        FUZZ_CHECK(contacts.displayNames().size() == contacts.addresses().size());
    }
    return 0;
}
