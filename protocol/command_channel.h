// The command channel: a ring of 256 queued commands, one in flight at a time, replies matched
// by order, and the two connection stages that bring the data link up and start the read-out.
#pragma once

#include <QString>
#include <any>
#include <array>
#include <cstdint>
#include <functional>

// index += 1, wrapping from high back to low.
void IncWrap(int16_t& index, int16_t low, int16_t high);

void EnqueueCommand(int32_t id, const QString& text, int16_t extra = 0, std::any sent = {});
// What the command in flight carries (CommandEntry::Sent); empty when none is in flight.
const std::any& SentWithCommand();
void SendNextCommand();
void FinishCommand();
void DispatchReply(const QString& line);

// Resets the ring and the reply collection (start-up and every completed connection).
void ResetCommandChannel();

// Reply handlers by command identity (1..53); an empty entry drops the reply.
using ReplyHandler = std::function<void(const QString& line)>;
std::array<ReplyHandler, 54>& ReplyHandlers();

// The camera's second line can arrive before the data link's own connect event. The
// connection then completes when the link is up: the data link's connect handler calls this.
void CompletePendingConnection();

// Queues the 17 queries read out after every completed connection.
void QueueInitialReadOut();

// Forgets reply lines held back while a handler ran (the command link connected anew).
void ClearDeferredReplies();

// Splits the command link's text into lines ended by CR LF and dispatches each. A line longer
// than kMaxLine characters is dropped with one trace line, whether it came whole or in pieces;
// a peer that never ends its line cannot grow the buffer past the cap.
class ReplyAssembler {
public:
    static constexpr int kMaxLine = 64 * 1024;
    explicit ReplyAssembler(std::function<void(const QString&)> dispatch = DispatchReply)
        : m_dispatch(std::move(dispatch)) {}

    void Feed(const QString& chunk);
    void Clear();
    const QString& Pending() const { return m_buffer; }

private:
    void DropLongLine();

    std::function<void(const QString&)> m_dispatch;
    QString m_buffer;
    qsizetype m_scanned = 0;   // where the search for the next CR LF resumes
    bool m_discarding = false; // inside an overlong line, waiting for its CR LF
};
