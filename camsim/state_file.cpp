#include "state_file.h"

#include "protocol.h"

#include <sstream>
#include <vector>

namespace zrkcam {

namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

std::string rest(const std::vector<std::string>& w) {
    std::string s;
    for (size_t i = 1; i < w.size(); ++i)
        s += (i > 1 ? " " : "") + w[i];
    return s;
}

// A signed number for the trigger position, where -1 means none.
bool parseSigned(const std::string& s, int& value) {
    if (s == "-1") {
        value = -1;
        return true;
    }
    return parseNumber(s, value);
}

} // namespace

bool applyState(Camera& cam, const std::string& text, const Now& now, std::string& error) {
    Protocol protocol(cam);
    std::istringstream in(text);
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> w = words(line);
        if (w.empty()) continue;
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        };
        const std::string& key = w[0];
        if (key == "memory") {
            int code = 0;
            if (w.size() != 2 || !parseNumber(w[1], code) || code > 2) return fail("memory takes 0, 1 or 2");
            cam.memoryCode = code;
            continue;
        }
        if (key == "region") {
            int region = 0, frames = 0, trig = -1;
            if (w.size() != 4 && w.size() != 10) return fail("region takes R FRAMES TRIGGER [Y M D h m s]");
            if (!parseNumber(w[1], region) || region > cam.mode.partition)
                return fail("region number beyond the partition");
            if (!parseNumber(w[2], frames) || frames < 1 || frames > cam.capacity())
                return fail("frame count not within the region capacity");
            if (!parseSigned(w[3], trig)) return fail("trigger position must be -1 or a count");
            int64_t startMs = cam.clockMs(now);
            if (w.size() == 10) {
                CivilTime t;
                int* f[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second};
                for (size_t i = 0; i < 6; ++i)
                    if (!parseNumber(w[4 + i], *f[i])) return fail("bad recording time");
                if (!civilTimeValid(t)) return fail("bad recording time");
                startMs = toEpochSeconds(t) * 1000;
            }
            cam.storeRecording(region, frames, trig, startMs);
            continue;
        }
        // Everything else is a camera setting, set exactly as the matching command would set it.
        std::string command;
        if (key == "rmod")
            command = "RMOD " + rest(w);
        else if (key == "gain")
            command = "GAIN " + rest(w);
        else if (key == "anig")
            command = "ANIG " + rest(w);
        else if (key == "smod")
            command = "SMOD " + rest(w);
        else if (key == "wb")
            command = "WBPR " + rest(w);
        else if (key == "ip")
            command = "STIP " + rest(w);
        else if (key == "gateway")
            command = "STGW " + rest(w);
        else if (key == "clock")
            command = "TIME " + rest(w);
        else if (key == "mode")
            command = "MODE " + rest(w);
        else if (key == "gamma") {
            int index = 0;
            if (w.size() != 2 || !parseNumber(w[1], index) || index > 3) return fail("gamma takes 0 to 3");
            cam.gammaIndex = index;
            continue;
        } else if (key == "user6" || key == "user7") {
            const int saved = cam.wbPreset;
            command = "WBPR " + std::string(1, key[4]) + " " + rest(w);
            const Reply r = protocol.handle(command, now, false, false);
            if (r.lines.empty() || r.lines[0][0] != '2') return fail("user preset takes R G B, 0 to 255");
            cam.wbPreset = saved;
            continue;
        } else {
            return fail("unknown key '" + key + "'");
        }
        if (w.size() < 2) return fail(key + " needs a value");
        const Reply r = protocol.handle(command, now, false, false);
        if (r.lines.empty() || (r.lines[0][0] != '2' && r.lines[0][0] != '1'))
            return fail("camera refused it: " + (r.lines.empty() ? std::string() : r.lines[0]));
    }
    return true;
}

} // namespace zrkcam
