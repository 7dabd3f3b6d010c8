#include <QCoreApplication>
#include <gtest/gtest.h>

// Sockets need an event loop; each test runs it through QTest::qWaitFor.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
