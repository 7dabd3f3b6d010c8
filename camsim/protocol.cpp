#include "protocol.h"

#include "tables.h"

#include <cstdio>

namespace zrkcam {

namespace {

std::vector<std::string_view> splitBlanks(std::string_view text) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ')
            ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

Reply lines(std::initializer_list<std::string> l) {
    Reply r;
    r.lines = l;
    return r;
}

Reply invalidParameter() {
    return lines({"504 Invalid parameter"});
}

bool inRange(std::string_view text, int lo, int hi, int& value) {
    return parseNumber(text, value) && value >= lo && value <= hi;
}

bool recordModeValid(const RecordMode& m, int memoryCode) {
    return m.imageSize >= 0 && m.imageSize <= 3 && rateValidForSize(m.imageSize, m.rateCode) &&
           shutterValid(m.imageSize, m.rateCode, m.shutterCode) && m.strobeDelay >= 0 && m.strobeDelay <= 8 &&
           m.partition >= 0 && m.partition <= 3 && m.trigMode >= 0 && m.trigMode <= 2 && m.postCount >= 0 &&
           m.postCount <= regionCapacity(memoryCode, m.imageSize, m.partition);
}

// A gateway or camera address: no 0 in front, no 0 or broadcast at the end.
bool hostAddress(const Address& a) {
    return a.bytes[0] >= 1 && a.bytes[3] >= 1 && a.bytes[3] <= 254;
}

std::string join(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        if (!s.empty()) s += ' ';
        s += std::to_string(v);
    }
    return s;
}

} // namespace

bool parseNumber(std::string_view text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool parseAddress(std::string_view text, Address& out) {
    Address a;
    for (int i = 0; i < 4; ++i) {
        const size_t dot = i < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos) return false;
        if (!inRange(text.substr(0, dot), 0, 255, a.bytes[static_cast<size_t>(i)])) return false;
        text.remove_prefix(i < 3 ? dot + 1 : dot);
    }
    out = a;
    return true;
}

Reply Protocol::handle(std::string_view line, const Now& now, bool dataConnected, bool dataBusy) {
    cam_.update(now);
    const size_t blank = line.find(' ');
    const std::string_view key = line.substr(0, blank);
    const std::string_view rest =
        blank == std::string_view::npos ? std::string_view{} : line.substr(blank + 1);
    const std::vector<std::string_view> args = splitBlanks(rest);

    if (key == "RQDL") return download(args, now, dataConnected, dataBusy);
    if (key == "RMOD" && !args.empty()) return setRmod(args, now);
    if (key == "RSTR") {
        if (cam_.recording()) return lines({"503 Recording in progress"});
        return restore(rest) ? lines({"200 Restored"}) : lines({"501 Cannot restore backup data"});
    }
    if (key == "RCST") {
        switch (cam_.startRecording(now)) {
        case 200:
            return lines({"200 Recording started"});
        case 500:
            return lines({"500 Record already started"});
        case 501:
            return lines({"501 Command invalid in live mode"});
        default:
            return lines({"502 No available space"});
        }
    }
    if (key == "RCSP") {
        switch (cam_.stopRecording(now)) {
        case 200:
            return lines({"200 Recording stopped"});
        case 500:
            return lines({"500 Record already stopped"});
        default:
            return lines({"501 Command invalid in live mode"});
        }
    }
    if (key == "TRIG") {
        switch (cam_.trigger(now)) {
        case 200:
            return lines({"200 Triggered"});
        case 500:
            return lines({"500 Post record in process"});
        default:
            return lines({"501 Not recording"});
        }
    }
    if (key == "RACL") {
        if (cam_.recording()) return lines({"503 Recording in progress"});
        if (dataBusy) return lines({"503 Data port busy"}); // a download may be reading the regions
        cam_.clearMemory();
        return lines({"200 Image data cleared"});
    }
    if (key == "LVST") {
        if (!cam_.liveMode) return lines({"501 Camera not in live mode"});
        if (cam_.liveOutput) return lines({"200 Live output running"});
        if (!dataConnected) return lines({"425 Data port not connected"});
        if (dataBusy) return lines({"503 Data port busy"});
        cam_.liveOutput = true;
        Reply r = lines({"200 Live output started"});
        r.data = Reply::Data::LiveStart;
        return r;
    }
    if (key == "LVSP") {
        Reply r = lines({"200 Live output stopped"});
        if (cam_.liveOutput) r.data = Reply::Data::LiveStop;
        cam_.liveOutput = false;
        return r;
    }
    if (key == "BKUP") return lines({"200 " + backupText()});
    if (key == "NPIC") return regionList("NPIC", now, false);
    if (key == "PTRG") return regionList("PTRG", now, true);
    if (key == "STAT") {
        if (cam_.recording()) return lines({"212 Recording"});
        if (cam_.liveOutput) return lines({"214 Live output"});
        if (cam_.memoryFull()) return lines({"213 Memory full"});
        return lines({"211 Idle"});
    }
    return query(key, args, now);
}

Reply Protocol::query(std::string_view key, const std::vector<std::string_view>& args, const Now& now) {
    int v = 0;
    // The simple settings share one form: no argument reads, one argument in range writes; both echo.
    auto simple = [&](int& field, int hi) {
        if (args.size() == 1) {
            if (!inRange(args[0], 0, hi, v)) return invalidParameter();
            field = v;
        } else if (!args.empty()) {
            return invalidParameter();
        }
        return lines({"200 " + std::to_string(field)});
    };
    if (key == "ANIG") return simple(cam_.analogGain, 4);
    if (key == "GAIN") return simple(cam_.gainCode, 6);
    if (key == "SMOD") return simple(cam_.syncMode, 1);
    if (key == "DRAM" && args.empty()) return lines({"200 " + std::to_string(cam_.memoryCode)});
    if (key == "GAMM") {
        if (args.size() == 2) {
            int value = 0;
            if (!inRange(args[0], 0, 3, v) || !parseNumber(args[1], value) || value != gammaValue(v))
                return invalidParameter();
            cam_.gammaIndex = v;
        } else if (!args.empty()) {
            return invalidParameter();
        }
        return lines({"200 " + join({cam_.gammaIndex, gammaValue(cam_.gammaIndex)})});
    }
    if (key == "MODE") {
        if (args.size() == 1 && args[0] == "REC") {
            Reply r = lines({"200 REC"});
            if (cam_.liveOutput) r.data = Reply::Data::LiveStop;
            cam_.liveOutput = false;
            cam_.liveMode = false;
            return r;
        }
        if (args.size() == 1 && args[0] == "LIVE") {
            if (cam_.recording()) return lines({"503 Recording in progress"});
            cam_.liveMode = true;
            return lines({"200 LIVE"});
        }
        if (!args.empty()) return invalidParameter();
        return lines({cam_.liveMode ? "200 LIVE" : "200 REC"});
    }
    if (key == "RMOD") {
        const RecordMode& m = cam_.mode;
        // A Start trigger records a whole region after the trigger; End records none after it.
        const int post = m.trigMode == 0 ? cam_.capacity() : m.trigMode == 2 ? 0 : m.postCount;
        return lines({"200 " + join({m.imageSize, m.rateCode, m.shutterCode, m.strobeDelay, m.partition,
                                     m.trigMode, post})});
    }
    if (key == "STGW") {
        if (args.size() == 1) {
            Address a;
            if (!parseAddress(args[0], a) || !hostAddress(a)) return lines({"501 Invalid gateway address"});
            cam_.gateway = a;
        } else if (!args.empty()) {
            return invalidParameter();
        }
        return lines({"200 " + cam_.gateway.dotted()});
    }
    if (key == "STIP") {
        if (args.size() == 1) {
            const size_t slash = args[0].find('/');
            Address a;
            if (!parseAddress(args[0].substr(0, slash), a) || !hostAddress(a))
                return lines({"501 Invalid IP address"});
            int bits = 0;
            if (slash == std::string_view::npos || !inRange(args[0].substr(slash + 1), 0, 31, bits))
                return lines({"502 Invalid subnet mask"});
            cam_.ip = a;
            cam_.maskBits = bits;
        } else if (!args.empty()) {
            return invalidParameter();
        }
        return lines({"200 " + cam_.ip.dotted() + "/" + std::to_string(cam_.maskBits)});
    }
    if (key == "TIME") {
        if (args.size() == 6) {
            CivilTime t;
            int* fields[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second};
            for (size_t i = 0; i < 6; ++i)
                if (!parseNumber(args[i], *fields[i])) return lines({"501 Invalid date/time"});
            if (!civilTimeValid(t)) return lines({"501 Invalid date/time"});
            cam_.clockOffsetMs = toEpochSeconds(t) * 1000 - now.wallMs;
            return lines({"200 Time set"});
        }
        if (!args.empty()) return lines({"501 Invalid date/time"});
        const int64_t ms = cam_.clockMs(now);
        const CivilTime t = fromEpochSeconds(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
        return lines({"200 " + join({t.year, t.month, t.day, t.hour, t.minute, t.second})});
    }
    if (key == "VERS" && args.size() == 1) {
        if (args[0] == "CODE") return lines({"200 " + join({cam_.versionCode[0], cam_.versionCode[1]})});
        if (args[0] == "MAIN") return lines({"200 " + std::to_string(cam_.versionMain)});
        if (args[0] == "FPGA") return lines({"200 " + join({cam_.versionFpga[0], cam_.versionFpga[1]})});
        return invalidParameter();
    }
    if (key == "WBPR") {
        auto answer = [](int preset, Rgb c) {
            return lines({"200 " + join({preset, c.red, c.green, c.blue})});
        };
        if (args.empty()) return answer(cam_.wbPreset, cam_.currentWb());
        if (args.size() == 1 && (args[0] == "/6" || args[0] == "/7")) {
            const int preset = args[0][1] - '0';
            return answer(preset, cam_.userWb[static_cast<size_t>(preset - 6)]);
        }
        int preset = 0;
        Rgb c{};
        if (args.size() != 4 || !inRange(args[0], 0, 7, preset) || (preset >= 3 && preset <= 5) ||
            !inRange(args[1], 0, 255, c.red) || !inRange(args[2], 0, 255, c.green) ||
            !inRange(args[3], 0, 255, c.blue))
            return invalidParameter();
        cam_.wbPreset = preset;
        if (preset >= 6) cam_.userWb[static_cast<size_t>(preset - 6)] = c;
        return answer(preset, cam_.currentWb());
    }
    return lines({"500 Unknown command"});
}

Reply Protocol::setRmod(const std::vector<std::string_view>& args, const Now& now) {
    RecordMode m;
    int* fields[] = {&m.imageSize, &m.rateCode, &m.shutterCode, &m.strobeDelay,
                     &m.partition, &m.trigMode, &m.postCount};
    if (args.size() != 7) return lines({"504 Invalid record setting"});
    for (size_t i = 0; i < 7; ++i)
        if (!parseNumber(args[i], *fields[i])) return lines({"504 Invalid record setting"});
    if (!recordModeValid(m, cam_.memoryCode)) return lines({"504 Invalid record setting"});
    if (cam_.recording()) return lines({"503 Recording in progress"});
    bool holdsFrames = false;
    for (int i = 0; i < 4; ++i)
        holdsFrames = holdsFrames || cam_.regionFrames(i, now) > 0;
    // The memory layout follows size and partition, so recorded frames must be cleared first.
    if (holdsFrames && (m.imageSize != cam_.mode.imageSize || m.partition != cam_.mode.partition))
        return lines({"505 Clear image data first"});
    if (!shutterIsFirst(m.rateCode, m.shutterCode)) m.strobeDelay = 0;
    const bool sizeChanges = m.imageSize != cam_.mode.imageSize;
    cam_.mode = m;
    if (!sizeChanges) return lines({"200 Record mode set"});
    Reply r = lines({"100 Changing image size"});
    r.laterLines = {"200 Record mode set"};
    r.laterDelayMs = kImageSizeChangeMs;
    return r;
}

Reply Protocol::download(const std::vector<std::string_view>& args, const Now& now, bool dataConnected,
                         bool dataBusy) {
    if (cam_.recording() || cam_.liveOutput || dataBusy) return lines({"503 Busy"});
    int region = 0, offset = 0, count = 0;
    if (args.size() < 1 || !inRange(args[0], 0, cam_.mode.partition, region))
        return lines({"550 Invalid region number"});
    const int frames = cam_.regionFrames(region, now);
    if (args.size() < 2 || !inRange(args[1], 1, frames, offset)) return lines({"551 Invalid offset count"});
    if (args.size() != 3 || !inRange(args[2], 1, offset, count)) return lines({"552 Invalid download count"});
    if (!dataConnected) return lines({"425 Data port not connected"});
    const int64_t bytes =
        static_cast<int64_t>(count) * frameBytes(cam_.region(region).rec.settings.imageSize);
    Reply r = lines({"150 " + std::to_string(count) + " " + std::to_string(bytes)});
    r.data = Reply::Data::Download;
    r.region = region;
    r.first = frames - offset;
    r.count = count;
    return r;
}

Reply Protocol::regionList(const char* name, const Now& now, bool triggers) const {
    Reply r;
    r.lines.push_back(std::string("200 ") + name + " Start");
    for (int i = 0; i < cam_.regionsInUse(); ++i) {
        std::string l = "    " + std::to_string(i + 1) + " ";
        if (triggers) {
            const bool busy = cam_.activeRegion() == i;
            l += std::to_string(busy ? -1 : cam_.region(i).triggerPos);
        } else {
            l += std::to_string(cam_.regionFrames(i, now)) + "/" + std::to_string(cam_.capacity());
        }
        r.lines.push_back(l);
    }
    r.lines.push_back(std::string("200 ") + name + " End");
    return r;
}

std::string Protocol::backupText() const {
    const RecordMode& m = cam_.mode;
    const int values[] = {m.imageSize,          m.rateCode,           m.shutterCode,       m.strobeDelay,
                          m.partition,          m.trigMode,           m.postCount,         cam_.gainCode,
                          cam_.analogGain,      cam_.syncMode,        cam_.gammaIndex,     cam_.wbPreset,
                          cam_.userWb[0].red,   cam_.userWb[0].green, cam_.userWb[0].blue, cam_.userWb[1].red,
                          cam_.userWb[1].green, cam_.userWb[1].blue};
    std::string s = "ZRKBK1";
    unsigned sum = 0;
    for (int v : values) {
        s += ' ' + std::to_string(v);
        sum = (sum * 31 + static_cast<unsigned>(v)) & 0xffff;
    }
    char check[8];
    std::snprintf(check, sizeof check, " %04X", sum);
    return s + check;
}

bool Protocol::restore(std::string_view text) {
    const std::vector<std::string_view> f = splitBlanks(text);
    if (f.size() != 20 || f[0] != "ZRKBK1") return false;
    int v[18];
    unsigned sum = 0;
    for (size_t i = 0; i < 18; ++i) {
        if (!parseNumber(f[i + 1], v[i])) return false;
        sum = (sum * 31 + static_cast<unsigned>(v[i])) & 0xffff;
    }
    char check[8];
    std::snprintf(check, sizeof check, "%04X", sum);
    if (f[19] != check) return false;
    const RecordMode m{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
    if (!recordModeValid(m, cam_.memoryCode) || v[7] > 6 || v[8] > 4 || v[9] > 1 || v[10] > 3 || v[11] > 7 ||
        (v[11] >= 3 && v[11] <= 5))
        return false;
    for (int i = 12; i < 18; ++i)
        if (v[i] > 255) return false;
    bool holdsFrames = false;
    for (int i = 0; i < 4; ++i)
        holdsFrames = holdsFrames || cam_.region(i).rec.frames > 0;
    if (holdsFrames && (m.imageSize != cam_.mode.imageSize || m.partition != cam_.mode.partition))
        return false;
    cam_.mode = m;
    cam_.gainCode = v[7];
    cam_.analogGain = v[8];
    cam_.syncMode = v[9];
    cam_.gammaIndex = v[10];
    cam_.wbPreset = v[11];
    cam_.userWb = {Rgb{v[12], v[13], v[14]}, Rgb{v[15], v[16], v[17]}};
    return true;
}

} // namespace zrkcam
