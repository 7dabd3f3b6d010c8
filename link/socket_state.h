#pragma once

#include <QAbstractSocket>

// The link reports socket states as small numbers that its holders compare against; only
// 0 (closed) and 7 (connected) are relied on, the others just keep distinct meanings.
namespace zrk_link {

constexpr short kStateClosed = 0;
constexpr short kStateConnected = 7;

inline short stateCode(QAbstractSocket::SocketState s) {
    switch (s) {
    case QAbstractSocket::UnconnectedState:
        return kStateClosed;
    case QAbstractSocket::BoundState:
        return 1;
    case QAbstractSocket::ListeningState:
        return 2;
    case QAbstractSocket::HostLookupState:
        return 4;
    case QAbstractSocket::ConnectingState:
        return 6;
    case QAbstractSocket::ConnectedState:
        return kStateConnected;
    case QAbstractSocket::ClosingState:
        return 8;
    }
    return kStateClosed;
}

} // namespace zrk_link
