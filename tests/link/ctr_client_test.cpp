#include "link_test_util.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace linktest;

namespace {

// A client link connected to a plain listening socket; peer is the accepted end.
struct ConnectedClient {
    QTcpServer listener;
    ctr link;
    EventLog log{link};
    QTcpSocket* peer = nullptr;

    explicit ConnectedClient(int receiveMode = 0) {
        listener.listen(QHostAddress::LocalHost, 0);
        link.setServerName(QStringLiteral("127.0.0.1"));
        link.setServerPort(listener.serverPort());
        link.setReceiveMode(receiveMode);
        link.SetServerData();
    }
    bool connect() {
        const int before = log.lines.size();
        if (link.TCPConnect()) return false;
        if (!listener.waitForNewConnection(kWaitMs)) return false;
        peer = listener.nextPendingConnection();
        return log.waitLines(before + 1) && log.lines.last() == "Connect 0";
    }
};

} // namespace

TEST(CtrClient, RefusedConnectionGivesErrorClosingIpClosingAndCanBeRetried) {
    ctr link;
    EventLog log(link);
    link.setServerName(QStringLiteral("127.0.0.1"));
    link.setServerPort(freePort());
    link.SetServerData();

    for (int attempt = 0; attempt < 2; ++attempt) {
        log.lines.clear();
        EXPECT_FALSE(link.TCPConnect()) << attempt;
        // Nothing is raised from inside the call itself.
        EXPECT_TRUE(log.lines.isEmpty());
        ASSERT_TRUE(log.waitLines(3));
        QTest::qWait(50); // nothing more may follow
        ASSERT_EQ(log.lines.size(), 3);
        EXPECT_EQ(log.lines[0], "Error 0");
        EXPECT_TRUE(log.lines[1].startsWith("ClosingIP "));
        EXPECT_EQ(log.lines[2], "Closing 0");
        EXPECT_EQ(link.State(0), 0);
    }
}

TEST(CtrClient, NotConnectedRefusesSendAndSecondConnect) {
    ConnectedClient c;
    EXPECT_TRUE(c.link.DataSend(0, QStringLiteral("early")));
    EXPECT_FALSE(c.link.TCPConnect());
    EXPECT_NE(c.link.State(0), 0); // connecting
    EXPECT_TRUE(c.link.TCPConnect());
    EXPECT_TRUE(c.link.DataSend(0, QStringLiteral("early")));

    ASSERT_TRUE(c.log.waitLines(1));
    EXPECT_EQ(c.log.lines, QStringList{"Connect 0"});
    EXPECT_EQ(c.link.State(0), 7);
    EXPECT_TRUE(c.link.TCPConnect());
    EXPECT_TRUE(c.link.ClientUse(0));
    EXPECT_FALSE(c.link.ClientUse(1));
    EXPECT_EQ(c.link.ClientName(5), "127.0.0.1"); // index ignored: the local end of socket 0
    EXPECT_EQ(c.link.ClientPort(5), c.link.LocalPort());
}

TEST(CtrClient, TextDeliveryMapsBytesOneToOneAndKeepsLinesTogether) {
    ConnectedClient c;
    ASSERT_TRUE(c.connect());

    c.peer->write(QByteArray("200 A\0B\r\n201 \xe9\xff\r\n202 end\r\n", 26));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.log.text.size() >= 26; }, kWaitMs));
    EXPECT_EQ(c.log.text, QString::fromUtf8("200 A?B\r\n201 é\u00ff\r\n202 end\r\n"));
    EXPECT_EQ(c.log.dataEvents, 1);
    EXPECT_TRUE(c.log.bytes.isEmpty());

    EXPECT_FALSE(c.link.DataSend(0, QString::fromUtf8("SET é\u20ac\r\n")));
    EXPECT_FALSE(c.link.DataSend(0, "\0raw", 4));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.peer->bytesAvailable() >= 12; }, kWaitMs));
    EXPECT_EQ(c.peer->readAll(), QByteArray("SET \xe9?\r\n\0raw", 12));
}

TEST(CtrClient, BinaryDeliveryIsExactAndReusesOneBuffer) {
    ConnectedClient c(1);
    QSet<const char*> buffers;
    QObject::connect(&c.link, &ctr::DataBinaryReceive, [&](int index, QByteArrayView d, int n) {
        EXPECT_EQ(index, 0);
        EXPECT_EQ(d.size(), n);
        buffers.insert(d.data());
    });
    ASSERT_TRUE(c.connect());

    QByteArray payload(8 * 1024 * 1024 + 7, '\0');
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char((i * 131) >> 3);
    c.peer->write(payload);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.log.bytes.size() >= payload.size(); }, 20000));
    EXPECT_TRUE(c.log.bytes == payload);
    EXPECT_TRUE(c.log.text.isEmpty());
    EXPECT_GT(c.log.dataEvents, 1);
    EXPECT_EQ(buffers.size(), 1);
}

TEST(CtrClient, PeerCloseThenReconnectFromInsideClosing) {
    ConnectedClient c;
    ASSERT_TRUE(c.connect());

    bool reconnectAsked = false;
    QObject::connect(&c.link, &ctr::Closing, [&] {
        EXPECT_EQ(c.link.State(0), 0);
        reconnectAsked = !c.link.TCPConnect();
    });
    c.peer->write("bye\r\n");
    c.peer->disconnectFromHost();
    ASSERT_TRUE(c.log.waitLines(3));
    EXPECT_EQ(c.log.text, "bye\r\n"); // data that came before the close is not lost
    EXPECT_TRUE(c.log.lines[1].startsWith("ClosingIP "));
    EXPECT_EQ(c.log.lines[2], "Closing 0");
    ASSERT_TRUE(reconnectAsked);

    ASSERT_TRUE(c.listener.waitForNewConnection(kWaitMs));
    QTcpSocket* second = c.listener.nextPendingConnection();
    ASSERT_TRUE(c.log.waitLines(4));
    EXPECT_EQ(c.log.lines[3], "Connect 0");
    second->write("again");
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.log.text.endsWith("again"); }, kWaitMs));
}

TEST(CtrClient, OwnCloseRaisesNothingAndDataHandlerMayClose) {
    ConnectedClient c;
    QObject::connect(&c.link, &ctr::DataReceive, [&] { c.link.TCPClose(0); });
    ASSERT_TRUE(c.connect());

    c.peer->write("first\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.log.dataEvents == 1; }, kWaitMs));
    EXPECT_EQ(c.link.State(0), 0);
    EXPECT_EQ(c.link.LocalPort(), 0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return c.peer->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
    QTest::qWait(50);
    EXPECT_EQ(c.log.lines, QStringList{"Connect 0"});
    EXPECT_TRUE(c.link.DataSend(0, QStringLiteral("late")));
}

TEST(CtrProperties, SavesOnlyNonDefaultsAndRestoresIntoAServer) {
    ctr commandLink;
    EXPECT_TRUE(commandLink.saveProperties().isEmpty());

    ctr dataLink;
    dataLink.setReceiveMode(1);
    EXPECT_TRUE(dataLink.propertiesChanged());
    EXPECT_EQ(dataLink.saveProperties(), (QVariantMap{{"ReceiveMode", 1}}));
    EXPECT_FALSE(dataLink.propertiesChanged());

    // As read back from a settings file: everything is text, some of it junk.
    ctr restored;
    restored.loadProperties(
        {{"Mode", "0"}, {"ServerPort", "0"}, {"ReceiveMode", "x"}, {"ServerName", "cam"}});
    EXPECT_EQ(restored.Mode(), 0);
    EXPECT_EQ(restored.ReceiveMode(), 0);
    EXPECT_EQ(restored.ServerName(), "cam");
    EXPECT_EQ(restored.State(0), 2); // the mode was applied: listening
    EXPECT_NE(restored.LocalPort(), 0);
}

// A peer that speaks the moment it accepts (as the camera greets): its first bytes are already
// waiting when the client learns it is connected. The holder must still see Connect first.
TEST(CtrClient, APeerThatSpeaksFirstIsHeardOnlyAfterConnect) {
    for (int receiveMode : {0, 1}) {
        QTcpServer listener;
        listener.listen(QHostAddress::LocalHost, 0);
        ctr link;
        QStringList order;
        QObject::connect(&link, &ctr::Connect, [&](int) { order << "Connect"; });
        QObject::connect(&link, &ctr::DataReceive, [&](int, const QString& t) { order << "Data " + t; });
        QObject::connect(&link, &ctr::DataBinaryReceive,
                         [&](int, QByteArrayView d, int) { order << "Data " + QString::fromLatin1(d); });
        link.setServerName(QStringLiteral("127.0.0.1"));
        link.setServerPort(listener.serverPort());
        link.setReceiveMode(receiveMode);
        link.SetServerData();
        ASSERT_FALSE(link.TCPConnect());
        ASSERT_TRUE(listener.waitForNewConnection(kWaitMs)); // the client's loop has not run yet
        QTcpSocket* peer = listener.nextPendingConnection();
        peer->write("220 ready\r\n");
        ASSERT_TRUE(peer->waitForBytesWritten(kWaitMs));
        QTest::qSleep(50); // the greeting is in the client's socket before its connect is seen
        ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() >= 2; }, kWaitMs)) << receiveMode;
        EXPECT_EQ(order, (QStringList{"Connect", "Data 220 ready\r\n"})) << receiveMode;
    }
}
