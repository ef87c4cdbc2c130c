#pragma once

#include <QByteArray>
#include <QHostAddress>

// A peer that speaks raw bytes to one of our servers on loopback.
namespace RawPeer {

enum class After { WaitForReply, Close };

// Connects to 127.0.0.1:port (from `source` when given, any 127.x.y.z), sends
// the bytes, and returns what came back once 16 bytes (an acknowledgement)
// have arrived or the server closed. With After::Close it closes right after
// sending and returns nothing. A wait that runs out is never taken for an
// answer: it returns "<no connection>", "<no answer>" or "<not closed>".
QByteArray exchange(quint16 port, const QByteArray &bytes, After after = After::WaitForReply,
                    const QHostAddress &source = {});

} // namespace RawPeer
