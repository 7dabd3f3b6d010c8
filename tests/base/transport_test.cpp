// The transport the player and the preview window share: steps through a range, and where the
// options and the navigation keys leave the position.
#include "base/transport.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(TransportSteps, ForwardAndBackWithAndWithoutLoop) {
    QObject owner;
    Transport t(&owner, {}, [] {});
    struct Case {
        int first, last, position;
        bool forward, loop;
        int next;
        bool ranOut;
    };
    const Case cases[] = {
        {6, 10, 6, true, false, 7, false},   {6, 10, 9, true, false, 10, false},
        {6, 10, 10, true, false, 10, true},  {6, 10, 10, true, true, 6, false},
        {6, 10, 7, false, false, 6, false},  {6, 10, 6, false, false, 6, true},
        {6, 10, 6, false, true, 10, false},  {6, 10, 8, false, true, 7, false},
        {10, 10, 10, true, true, 10, false}, {10, 10, 10, false, false, 10, true}, // one frame
    };
    for (const Case& c : cases) {
        t.Reset(c.first, c.last, TransportOption::Stop);
        t.SetLoop(c.loop);
        t.MoveTo(c.position);
        const Transport::Move m = t.Next(c.forward);
        EXPECT_EQ(m.position, c.next)
            << c.position << (c.forward ? " fwd" : " back") << (c.loop ? " loop" : "");
        EXPECT_EQ(m.ranOut, c.ranOut) << c.position;
    }
}

TEST(TransportActions, KeysAndTicksLeaveTheOptionAndPosition) {
    struct Case {
        const char* keys; // key ids, or t for a tick
        int position;
        TransportOption option;
        const char* shown;
    };
    using O = TransportOption;
    const Case cases[] = {
        {"6 t t", 2, O::Play, "1 2"},
        {"6 t t t t t", 4, O::Stop, "1 2 3 4"}, // the end without loop selects Stop there
        {"0 0 4 7", 4, O::Stop, "1 2 4"},       // Stop after Reverse goes to the last frame
        {"3 3 0", 4, O::Pause, "4 4 4"},        // End shows the last frame; Step there stays
        {"0 2 2", 0, O::Stop, "1 0 0"},
        {"8 -1 9", 0, O::Pause, ""}, // not navigation keys
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        QObject owner;
        Transport t(&owner, {.endsRedraw = true}, [] {});
        QStringList shown;
        QList<O> selected;
        t.SetView({[&](O o) { selected << o; }, [&](int32_t p) { shown << QString::number(p); }});
        t.Reset(0, 4, O::Pause);
        for (const QString& k : QString::fromLatin1(c.keys).split(u' ')) {
            if (k == u't')
                t.Advance();
            else if (const auto action = TransportKey(k.toInt()))
                t.Do(*action);
        }
        EXPECT_EQ(t.Position(), c.position);
        EXPECT_EQ(t.Option(), c.option);
        EXPECT_EQ(selected.last(), c.option);
        EXPECT_EQ(t.Timer()->isActive(), t.Playing());
        EXPECT_EQ(shown.join(u' ').toStdString(), c.shown);
    }
}

} // namespace
