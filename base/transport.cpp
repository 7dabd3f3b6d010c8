#include "base/transport.h"

#include <QTimer>

std::optional<TransportAction> TransportKey(int keyId) {
    if (keyId < 0 || keyId > static_cast<int>(TransportAction::Stop)) return std::nullopt;
    return static_cast<TransportAction>(keyId);
}

QString TransportTip(TransportAction action) {
    switch (action) {
    case TransportAction::Step:
        return QStringLiteral("One frame forward (Page Up)");
    case TransportAction::Back:
        return QStringLiteral("One frame back (Page Down)");
    case TransportAction::First:
        return QStringLiteral("To the first frame (Home); off while Loop is ticked");
    case TransportAction::Last:
        return QStringLiteral("To the last frame (End); off while Loop is ticked");
    case TransportAction::Reverse:
        return QStringLiteral("Play backward (Left arrow)");
    case TransportAction::Pause:
        return QStringLiteral("Pause (Up arrow)");
    case TransportAction::Play:
        return QStringLiteral("Play forward (Right arrow)");
    case TransportAction::Stop:
        return QStringLiteral(
            "Stop: back to the first frame, or the last after playing backward (Down arrow)");
    }
    return {};
}

QString DoubleSizeTip() {
    return QStringLiteral("Shows the picture at double size");
}

Transport::Transport(QObject* owner, const Setup& setup, std::function<void()> tick)
    : m_timer(new QTimer(owner)), m_setup(setup) {
    m_timer->setObjectName(QStringLiteral("tmrTimer"));
    m_timer->setInterval(setup.tickMs);
    m_timer->setSingleShot(setup.oneShot);
    QObject::connect(m_timer, &QTimer::timeout, owner, std::move(tick));
}

void Transport::Reset(int32_t first, int32_t last, TransportOption option) {
    m_first = first;
    m_last = last < first ? first : last;
    m_position = first;
    m_forward = true;
    m_option = option;
    m_timer->stop();
    if (m_view.selected) m_view.selected(option);
}

Transport::Move Transport::Next(bool forward) const {
    const int32_t next = forward ? m_position + 1 : m_position - 1;
    if (next >= m_first && next <= m_last) return {next, false};
    if (m_loop) return {forward ? m_first : m_last, false};
    return {forward ? m_last : m_first, true};
}

void Transport::Show(int32_t position) {
    m_position = position;
    if (m_view.show) m_view.show(position);
}

void Transport::Select(TransportOption option) {
    m_option = option;
    if (m_view.selected) m_view.selected(option);
    switch (option) {
    case TransportOption::Play:
    case TransportOption::Reverse:
        m_forward = option == TransportOption::Play;
        m_timer->start();
        break;
    case TransportOption::Pause:
        m_timer->stop();
        break;
    case TransportOption::Stop:
        m_timer->stop();
        // Stop goes back to where the direction starts, unless playback already sits at an end.
        if (m_position != m_first && m_position != m_last) Show(m_forward ? m_first : m_last);
        break;
    }
}

void Transport::Step(bool forward) {
    Select(TransportOption::Pause);
    Show(Next(forward).position);
}

void Transport::GoTo(int32_t end) {
    // The ends are not reachable while looping (their buttons are off; a key still arrives).
    if (m_loop) return;
    const bool moved = m_position != end;
    m_position = end;
    Select(TransportOption::Stop);
    if (moved || m_setup.endsRedraw) Show(end);
}

void Transport::Do(TransportAction action) {
    switch (action) {
    case TransportAction::Step:
        return Step(true);
    case TransportAction::Back:
        return Step(false);
    case TransportAction::First:
        return GoTo(m_first);
    case TransportAction::Last:
        return GoTo(m_last);
    case TransportAction::Reverse:
        return Select(TransportOption::Reverse);
    case TransportAction::Pause:
        return Select(TransportOption::Pause);
    case TransportAction::Play:
        return Select(TransportOption::Play);
    case TransportAction::Stop:
        return Select(TransportOption::Stop);
    }
}

void Transport::Advance() {
    if (m_setup.oneShot) m_timer->stop();
    const Move move = Next(m_forward);
    if (move.ranOut) {
        m_position = move.position;
        Select(TransportOption::Stop);
        return;
    }
    Show(move.position);
}

void Transport::MoveTo(int32_t position) {
    PauseUnlessStopped();
    if (position < m_first || position > m_last) return;
    Show(position);
}

void Transport::PauseUnlessStopped() {
    if (m_option != TransportOption::Pause && m_option != TransportOption::Stop)
        Select(TransportOption::Pause);
}

void Transport::Interrupt() {
    m_timer->stop();
    if (m_option == TransportOption::Stop) return;
    m_option = TransportOption::Pause;
    if (m_view.selected) m_view.selected(m_option);
}
