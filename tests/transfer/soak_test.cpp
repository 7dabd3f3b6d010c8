// The soak: connect, record, trigger, download and disconnect round after round against zrkcam,
// each round with a fault of the camera's, and the process's descriptors and resident memory
// flat across them. CI runs a few rounds; scripts/soak.sh runs the full count (ZRK_SOAK_ROUNDS).
#include "tests/transfer/camera_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <unistd.h>

namespace {

int OpenDescriptors() {
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

int64_t ResidentKiB() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return n == 2 ? int64_t{resident} * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

int Rounds() {
    const int n = qEnvironmentVariableIntValue("ZRK_SOAK_ROUNDS");
    return n > 0 ? n : 6;
}

#if defined(ZRK_SANITIZED)
constexpr bool kSanitized = true; // freed memory sits in the quarantine: resident size is no measure
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

class Soak : public AgainstCamera {
protected:
    // Two regions of 1672 frames at 200 x 200; End trigger: a ring until the trigger.
    static constexpr const char* kRecordState = "rmod 0 0 0 0 1 2 0\nmode REC\n";

    void SetUp() override {
        AgainstCamera::SetUp();
        sup->tmrComTimeOut->setInterval(1500);
    }

    // Polls the state until the recording is at runState; false if the connection ended first.
    bool RunStateBecomes(int32_t runState) {
        return WaitUntil(
                   [&] {
                       if (!g_blnLinkOpen) return true;
                       if (Idle() && g_lngRunState != runState) RequestSTAT();
                       return g_lngRunState == runState && Idle();
                   },
                   8000) &&
               g_blnLinkOpen;
    }

    // One round; true when it got as far as a finished download.
    bool Round(const QString& fault, const QString& path) {
        const QStringList args =
            fault.isEmpty() ? QStringList{"--speed", "100"} : QStringList{"--speed", "100", "--fault", fault};
        StartCameraWithState(kRecordState, args);
        if (HasFatalFailure()) return false;
        window->chkTCPConnect->setChecked(true);
        bool downloaded = false;
        if (WaitUntil([&] { return Connected() || !window->chkTCPConnect->isChecked(); }, 15000) &&
            Connected()) {
            SendRCST();
            if (RunStateBecomes(1)) {
                SendTRIG();
                if (RunStateBecomes(0) && Save(path, 20, 10)) {
                    // Finished, refused or ended with the connection: the request is over.
                    EXPECT_TRUE(
                        WaitUntil([&] { return !g_blnLinkOpen || (!DownloadBusy() && Idle()); }, 15000))
                        << fault.toStdString() << " mode " << g_lngDataMode << " busy " << g_blnCmdBusy
                        << " cmd " << g_lngCurCmd << " " << ui.MessageTexts().join('|').toStdString();
                    downloaded =
                        g_blnLinkOpen && DownloadDone() && QFileInfo(path).size() == 32 + 10 * kFrame;
                }
            }
        }
        // Whatever the fault did, the round ends disconnected with "Connect" usable again.
        QTest::qWait(50);
        window->chkTCPConnect->setChecked(false);
        EXPECT_TRUE(WaitUntil(
            [&] { return window->chkTCPConnect->isEnabled() && !g_blnCmdOpen && !g_blnDataOpen; }, 8000))
            << fault.toStdString();
        camera.Stop();
        EXPECT_FALSE(DownloadBusy()) << fault.toStdString();
        ui.Clear();
        QFile::remove(path);
        return downloaded;
    }
};

TEST_F(Soak, DescriptorsAndResidentMemoryStayFlatOverRoundsWithFaults) {
    QStringList faults = {
        "",
        "chunk:random",
        "early-226",
        "hold-226:100",
        "data-before-150:5000",
        "close-data:bytes=50000",
        "stall-data:20000",
        "bad-magic-request:1",
        "announce-bytes:1000",
        "announce-bytes:-1000",
        "error-reply:1",
        "close-command:commands=25",
        "delay:STAT:100",
        "chunk:1460",
    };
    if (qEnvironmentVariableIsSet("ZRK_SOAK_FAULT")) faults = {qEnvironmentVariable("ZRK_SOAK_FAULT")};
    const QString path = dir.filePath(QStringLiteral("soak.dat"));
    const int rounds = Rounds();
    QElapsedTimer clock;
    clock.start();
    // Two rounds first: buffers reserved on first use and Qt's own caches are no leak.
    int clean = 0;
    for (int i = 0; i < 2; ++i)
        clean += Round(faults[i % faults.size()], path) ? 1 : 0;
    const int fdsStart = OpenDescriptors();
    const int64_t rssStart = ResidentKiB();
    for (int i = 2; i < rounds; ++i) {
        const QString& fault = faults[i % faults.size()];
        const bool ok = Round(fault, path);
        clean += ok ? 1 : 0;
        if (fault.isEmpty() || fault.startsWith(QStringLiteral("chunk:"))) {
            EXPECT_TRUE(ok) << "round " << i; // no fault in the way of the download
        }
        ASSERT_FALSE(HasFatalFailure()) << "round " << i;
    }
    const int fdsEnd = OpenDescriptors();
    const int64_t rssEnd = ResidentKiB();
    std::printf("soak: %d rounds (%d downloads finished) in %.1f s; descriptors %d -> %d; resident %lld -> "
                "%lld KiB\n",
                rounds, clean, clock.elapsed() / 1000.0, fdsStart, fdsEnd, static_cast<long long>(rssStart),
                static_cast<long long>(rssEnd));
    EXPECT_EQ(fdsEnd, fdsStart);
    if (!kSanitized) {
        EXPECT_LT(rssEnd - rssStart, 8 * 1024) << "resident memory grew";
    }
}

} // namespace
