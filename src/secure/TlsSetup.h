#pragma once

#include <QByteArray>
#include <QSslConfiguration>

class Identity;

// TLS 1.3 only, each side presenting its own self-signed certificate. Trust
// comes from the pinned fingerprint, never from a certificate authority; the
// channel a connection carries is named by ALPN.
namespace TlsSetup {

inline constexpr char kMessageProtocol[] = "zavolin-msg/1";
inline constexpr char kStreamProtocol[] = "zavolin-file/1";

// Asks every client for its certificate; connections without one are refused
// by the listener once the handshake is done.
QSslConfiguration server(const Identity &identity);
// Checks nothing itself: the client compares the server's key with the pin.
QSslConfiguration client(const Identity &identity, const QByteArray &protocol);

} // namespace TlsSetup
