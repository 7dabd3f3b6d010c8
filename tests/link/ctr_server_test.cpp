#include "link_test_util.h"

#include <gtest/gtest.h>
#include <vector>

using namespace linktest;

namespace {

// A server link with n plain clients connected into slots 1..n.
struct ServerWithClients {
    std::unique_ptr<ctr> link = makeServer();
    EventLog log{*link};
    std::vector<std::unique_ptr<QTcpSocket>> clients;

    std::unique_ptr<QTcpSocket>& add() {
        const int before = log.lines.size();
        clients.push_back(dial(link->LocalPort()));
        EXPECT_TRUE(clients.back());
        EXPECT_TRUE(log.waitLines(before + 1));
        return clients.back();
    }
};

bool waitForBytes(QTcpSocket& s, int n) {
    return QTest::qWaitFor([&] { return s.bytesAvailable() >= n; }, kWaitMs);
}

} // namespace

TEST(CtrServer, SlotsAreLowestFreeAndReusedAfterAClientLeaves) {
    ServerWithClients srv;
    ASSERT_NE(srv.link->LocalPort(), 0);
    EXPECT_EQ(srv.link->State(0), 2);
    EXPECT_EQ(srv.link->ClientMaxNumber(), 0);
    EXPECT_EQ(srv.link->State(1), -1);

    srv.add();
    srv.add();
    srv.add();
    EXPECT_EQ(srv.log.lines, QStringList({"Connect 1", "Connect 2", "Connect 3"}));
    EXPECT_EQ(srv.link->ClientMaxNumber(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(srv.link->ClientUse(i));
        EXPECT_EQ(srv.link->State(i), 7);
        EXPECT_EQ(srv.link->ClientName(i), "127.0.0.1");
        EXPECT_EQ(srv.link->ClientPort(i), srv.clients[i - 1]->localPort());
    }

    srv.clients[1]->disconnectFromHost();
    ASSERT_TRUE(srv.log.waitLines(5));
    EXPECT_EQ(srv.log.lines.mid(3), QStringList({"ClosingIP 127.0.0.1", "Closing 2"}));
    EXPECT_FALSE(srv.link->ClientUse(2));
    EXPECT_EQ(srv.link->State(2), -1);
    EXPECT_EQ(srv.link->ClientName(2), "");
    EXPECT_EQ(srv.link->ClientPort(2), -1);

    srv.add();
    EXPECT_EQ(srv.log.lines.last(), "Connect 2");
    EXPECT_EQ(srv.link->ClientMaxNumber(), 3);
}

TEST(CtrServer, ReleasingHighestSlotShrinksToHighestInUse) {
    ServerWithClients srv;
    srv.add();
    srv.add();
    srv.add();

    EXPECT_FALSE(srv.link->TCPClose(2));
    EXPECT_TRUE(srv.link->TCPClose(2)); // no longer in use
    EXPECT_EQ(srv.log.lines.size(), 3); // closing a slot ourselves raises nothing
    EXPECT_TRUE(QTest::qWaitFor([&] { return srv.clients[1]->state() == QAbstractSocket::UnconnectedState; },
                                kWaitMs));

    srv.clients[2]->disconnectFromHost(); // slot 3 leaves
    ASSERT_TRUE(srv.log.waitLines(5));
    EXPECT_EQ(srv.log.lines.last(), "Closing 3");
    EXPECT_EQ(srv.link->ClientMaxNumber(), 1);

    srv.add();
    EXPECT_EQ(srv.log.lines.last(), "Connect 2");
    EXPECT_EQ(srv.link->ClientMaxNumber(), 2);
}

TEST(CtrServer, SendsToOneOrAllSlotsAndRefusesUnusedOnes) {
    ServerWithClients srv;
    EXPECT_FALSE(srv.link->DataSend(0, QStringLiteral("nobody\r\n"))); // no clients: done, nothing sent
    EXPECT_TRUE(srv.link->TCPConnect());

    srv.add();
    srv.add();
    EXPECT_TRUE(srv.link->DataSend(3, QStringLiteral("x")));
    EXPECT_TRUE(srv.link->DataSend(-1, QStringLiteral("x")));

    EXPECT_FALSE(srv.link->DataSend(2, QStringLiteral("two\r\n")));
    EXPECT_FALSE(srv.link->DataSend(0, QStringLiteral("all\r\n")));
    ASSERT_TRUE(waitForBytes(*srv.clients[0], 5));
    ASSERT_TRUE(waitForBytes(*srv.clients[1], 10));
    EXPECT_EQ(srv.clients[0]->readAll(), "all\r\n");
    EXPECT_EQ(srv.clients[1]->readAll(), "two\r\nall\r\n");
}

TEST(CtrServer, CloseAllDropsEveryClientAndSwitchingToClientStopsListening) {
    ServerWithClients srv;
    srv.add();
    srv.add();
    srv.add();
    const int port = srv.link->LocalPort();

    EXPECT_FALSE(srv.link->TCPClose(0));
    EXPECT_EQ(srv.link->ClientMaxNumber(), 0);
    for (auto& c : srv.clients)
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return c->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
    EXPECT_EQ(srv.log.lines.size(), 3);

    srv.link->setMode(1);
    srv.link->SetServerData();
    EXPECT_EQ(srv.link->State(0), 0);
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, quint16(port));
    EXPECT_FALSE(late.waitForConnected(kWaitMs));
}

TEST(CtrServer, BinaryDataPerSlotAndCloseFromInsideDelivery) {
    ServerWithClients srv;
    srv.link->setReceiveMode(1);
    QList<int> from;
    QObject::connect(srv.link.get(), &ctr::DataBinaryReceive, [&](int index, QByteArrayView, int) {
        from << index;
        srv.link->TCPClose(index); // the handler may drop the very socket that is delivering
    });
    srv.add();
    srv.add();

    srv.clients[1]->write(QByteArray("\0\x01\xff", 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !from.isEmpty(); }, kWaitMs));
    EXPECT_EQ(from, QList<int>{2});
    EXPECT_EQ(srv.log.bytes, QByteArray("\0\x01\xff", 3));
    EXPECT_FALSE(srv.link->ClientUse(2));
    EXPECT_EQ(srv.link->ClientMaxNumber(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return srv.clients[1]->state() == QAbstractSocket::UnconnectedState; },
                                kWaitMs));
    EXPECT_EQ(srv.log.lines, QStringList({"Connect 1", "Connect 2"}));
}

TEST(CtrServer, PortInUseEndsLikeAnyOtherSocketError) {
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::AnyIPv4, 0));
    ctr link;
    EventLog log(link);
    link.setMode(0);
    link.setServerPort(squatter.serverPort());
    link.SetServerData();
    EXPECT_TRUE(log.lines.isEmpty());
    ASSERT_TRUE(log.waitLines(3));
    EXPECT_EQ(log.lines, QStringList({"Error 0", "ClosingIP ", "Closing 0"}));
    EXPECT_EQ(link.State(0), 0);
}
