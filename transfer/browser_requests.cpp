#include "transfer/browser_requests.h"

#include "base/shared_state.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"

#include <array>

namespace {

std::array<uint32_t, kCmdQueueSlots> g_slotTags{};
uint32_t g_lastTag = 0;

bool IsFrameRequest(int32_t id) {
    return id >= CommandId::ThumbFirst && id <= CommandId::PreviewFrame;
}

std::size_t Slot(int16_t index) {
    return static_cast<std::size_t>(index) % g_slotTags.size();
}

bool InFlight() {
    return g_blnCmdBusy && IsFrameRequest(g_lngCurCmd) && g_CmdQueue[Slot(g_intQueueRead)].Id == g_lngCurCmd;
}

} // namespace

uint32_t NewRequestTag() {
    if (++g_lastTag == 0) ++g_lastTag;
    return g_lastTag;
}

bool QueueFrameRequest(int32_t slot, const DownloadRequest& request, int16_t extra, uint32_t tag) {
    if (!g_blnLinkOpen || slot < 0 || slot > 16) return false;
    const int16_t write = g_intQueueWrite;
    // A full ring refuses the command; this slot is then not in use, so the stamp is harmless.
    g_slotTags[Slot(write)] = tag;
    const int16_t read = g_intQueueRead;
    SendThumbnailRQDL(slot, request, extra);
    return g_intQueueWrite != write || g_intQueueRead != read;
}

uint32_t InFlightTag() {
    return InFlight() ? g_slotTags[Slot(g_intQueueRead)] : 0;
}

int16_t InFlightExtra() {
    return InFlight() ? g_CmdQueue[Slot(g_intQueueRead)].Extra : 0;
}

int PendingRequests(uint32_t tag, bool countInFlight) {
    if (tag == 0) return 0;
    int count = 0;
    const bool skipFirst = !countInFlight && InFlight();
    std::size_t i = Slot(g_intQueueRead);
    const std::size_t end = Slot(g_intQueueWrite);
    for (bool first = true; i != end; i = (i + 1) % g_slotTags.size(), first = false) {
        if (first && skipFirst) continue;
        if (IsFrameRequest(g_CmdQueue[i].Id) && g_slotTags[i] == tag) ++count;
    }
    return count;
}
