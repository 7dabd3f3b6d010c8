#include "fuzz/fuzz_support.h"

#include "base/app_state.h"
#include "base/blocking_wait.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

const QString& Start() {
    static int argc = 1;
    static char name[] = "zrk_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    static QTemporaryDir* dir = new QTemporaryDir;
    static const QString folder = dir->path() + u'/';
    static bool once = [] {
        (void)app;
        SetAppPath(folder);
        SetWaitScale(0); // the connection code's fixed waits would only slow the fuzzer down
        return true;
    }();
    (void)once;
    return folder;
}

uint32_t Input::Number(int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(Byte()) << (8 * i);
    return value;
}

QByteArray Input::Bytes(size_t max) {
    const size_t n = std::min(max, Left());
    QByteArray out(reinterpret_cast<const char*>(m_data + m_at), static_cast<qsizetype>(n));
    m_at += n;
    return out;
}

void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

} // namespace fuzz
