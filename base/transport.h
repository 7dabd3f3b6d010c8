// The transport of a window that plays a range of frames (the player, the preview window): which
// of Play, Reverse, Pause and Stop is selected, the direction, loop, the position, the playback
// timer, the step rules and the eight navigation keys. Positions are frame numbers, first <= last;
// forward counts up. The window keeps its widgets and says how a position is shown.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QObject;
class QTimer;

enum class TransportOption { Play, Reverse, Pause, Stop };

// What a click or a navigation key asks for; the values are the key ids 0..7 (Page Up, Page Down,
// Home, End, Left, Up, Right, Down).
enum class TransportAction { Step, Back, First, Last, Reverse, Pause, Play, Stop };
std::optional<TransportAction> TransportKey(int keyId);
// The tooltip of an action's button: what it does and its key.
QString TransportTip(TransportAction action);
// The tooltip of "x 2".
QString DoubleSizeTip();

class Transport {
public:
    struct Setup {
        int tickMs = 55;
        bool oneShot = false; // each tick switches the timer off (the next step comes from elsewhere)
        // First and Last show the frame even when it is already the current one.
        bool endsRedraw = false;
    };
    struct Move {
        int32_t position = 0;
        bool ranOut = false; // ran into the range's end without loop: playback stops there
    };
    // The window's side: check the option's button (and whatever goes with it), show a position.
    struct View {
        std::function<void(TransportOption)> selected;
        std::function<void(int32_t)> show;
    };

    // Creates the timer "tmrTimer" owned by owner; tick runs on each of its timeouts.
    Transport(QObject* owner, const Setup& setup, std::function<void()> tick);
    void SetView(View view) { m_view = std::move(view); }

    // A new range: position first, forward, the option selected without its action.
    void Reset(int32_t first, int32_t last, TransportOption option);

    int32_t First() const { return m_first; }
    int32_t Last() const { return m_last; }
    int32_t Position() const { return m_position; }
    bool Several() const { return m_last > m_first; }
    bool Forward() const { return m_forward; }
    bool Loop() const { return m_loop; }
    void SetLoop(bool loop) { m_loop = loop; }
    TransportOption Option() const { return m_option; }
    bool Playing() const { return m_option == TransportOption::Play || m_option == TransportOption::Reverse; }
    QTimer* Timer() const { return m_timer; }

    // One frame in a direction from the position: past the range's end it wraps with loop, else it
    // stays at that end.
    Move Next(bool forward) const;

    // Selects an option and runs its action, as a click does.
    void Select(TransportOption option);
    void Do(TransportAction action);
    // One playback step in the direction; reaching the end without loop selects Stop.
    void Advance();
    // The operator moved the bar: playback pauses (Stop stays); a position outside the range is ignored.
    void MoveTo(int32_t position);
    void PauseUnlessStopped();
    // A frame could not be shown: the timer goes off and, unless Stop is selected, Pause is checked.
    void Interrupt();

private:
    void Show(int32_t position);
    void Step(bool forward);
    void GoTo(int32_t end);

    QTimer* m_timer;
    Setup m_setup;
    View m_view;
    int32_t m_first = 0;
    int32_t m_last = 0;
    int32_t m_position = 0;
    bool m_forward = true;
    bool m_loop = false;
    TransportOption m_option = TransportOption::Stop;
};
