// The command set as the camera answers it: one command line in, the reply lines and any data action
// out. No sockets here; the session turns a Reply into bytes on the two ports.
#pragma once

#include "camera.h"

#include <string>
#include <string_view>
#include <vector>

namespace zrkcam {

struct Reply {
    enum class Data { None, Download, LiveStart, LiveStop };

    std::vector<std::string> lines;      // sent at once, in order
    std::vector<std::string> laterLines; // sent laterDelayMs after them (image size change)
    int laterDelayMs = 0;
    Data data = Data::None;
    int region = 0; // download: region, first kept-frame index, frame count
    int first = 0;
    int count = 0;
};

// Reply lines that are not tied to a command.
inline constexpr std::string_view kGreetingLine = "220 ZRK-1 command port ready";
inline constexpr std::string_view kDataReadyLine = "200 ZRK-1 data port connected";
inline constexpr std::string_view kTransferDoneLine = "226 Transfer complete";

// How long the camera takes to switch its image size (RMOD set) before the final reply.
inline constexpr int kImageSizeChangeMs = 300;

class Protocol {
public:
    explicit Protocol(Camera& camera) : cam_(camera) {}

    // line: one command without its terminator. dataConnected: whether the data port has a client;
    // dataBusy: whether a transfer or live stream is using it.
    Reply handle(std::string_view line, const Now& now, bool dataConnected, bool dataBusy);

    // The backup text BKUP returns and RSTR takes back.
    std::string backupText() const;
    bool restore(std::string_view text);

private:
    Reply query(std::string_view key, const std::vector<std::string_view>& args, const Now& now);
    Reply setRmod(const std::vector<std::string_view>& args, const Now& now);
    Reply download(const std::vector<std::string_view>& args, const Now& now, bool dataConnected,
                   bool dataBusy);
    Reply regionList(const char* name, const Now& now, bool triggers) const;

    Camera& cam_;
};

// Strict decimal: digits only, at most 9 of them. Returns false for anything else.
bool parseNumber(std::string_view text, int& value);
// "a.b.c.d", each part 0..255. Returns false for anything else.
bool parseAddress(std::string_view text, Address& out);

} // namespace zrkcam
