#include "link/ctr.h"

namespace {

constexpr int kDefaultMode = 1;
constexpr int kDefaultServerPort = 0;
constexpr int kDefaultReceiveMode = 0;

int readInt(const QVariantMap& saved, const QString& key, int fallback) {
    bool ok = false;
    const int v = saved.value(key).toInt(&ok);
    return ok ? v : fallback;
}

} // namespace

void ctr::setMode(int mode) {
    m_mode = mode;
    m_propertiesChanged = true;
}

void ctr::setServerName(const QString& name) {
    m_serverName = name;
    m_propertiesChanged = true;
}

void ctr::setServerPort(int port) {
    m_serverPort = port;
    m_propertiesChanged = true;
}

void ctr::setReceiveMode(int mode) {
    m_receiveMode = mode;
    m_propertiesChanged = true;
}

QVariantMap ctr::saveProperties() {
    QVariantMap out;
    if (m_mode != kDefaultMode) out.insert(QStringLiteral("Mode"), m_mode);
    if (!m_serverName.isEmpty()) out.insert(QStringLiteral("ServerName"), m_serverName);
    if (m_serverPort != kDefaultServerPort) out.insert(QStringLiteral("ServerPort"), m_serverPort);
    if (m_receiveMode != kDefaultReceiveMode) out.insert(QStringLiteral("ReceiveMode"), m_receiveMode);
    m_propertiesChanged = false;
    return out;
}

void ctr::loadProperties(const QVariantMap& saved) {
    m_mode = readInt(saved, QStringLiteral("Mode"), kDefaultMode);
    m_serverName = saved.value(QStringLiteral("ServerName")).toString();
    m_serverPort = readInt(saved, QStringLiteral("ServerPort"), kDefaultServerPort);
    m_receiveMode = readInt(saved, QStringLiteral("ReceiveMode"), kDefaultReceiveMode);
    m_propertiesChanged = false;
    SetServerData();
}
