#include "options.h"

#include <charconv>

namespace zrkcam {

namespace {

constexpr double kMaxLiveRate = 5000;

bool toInt64(const std::string& s, int64_t lo, int64_t hi, int64_t& out) {
    int64_t v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc{} || p != s.data() + s.size() || s.empty() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool toInt(const std::string& s, int lo, int hi, int& out) {
    int64_t v = 0;
    if (!toInt64(s, lo, hi, v)) return false;
    out = static_cast<int>(v);
    return true;
}

std::vector<std::string> splitColons(const std::string& s) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t colon = s.find(':', start);
        parts.push_back(s.substr(start, colon - start));
        if (colon == std::string::npos) return parts;
        start = colon + 1;
    }
}

bool parseChunk(const std::string& v, Options& out) {
    if (v == "random") {
        out.chunkRandom = true;
        return true;
    }
    out.chunkRandom = false;
    return toInt(v, 1, 1 << 30, out.chunk);
}

} // namespace

bool ReplyFault::matches(const std::string& line) const {
    return command == "*" || line.compare(0, command.size(), command) == 0;
}

const ReplyFault* Faults::find(ReplyFault::Kind kind, const std::string& line) const {
    for (const ReplyFault& f : replies)
        if (f.kind == kind && f.matches(line)) return &f;
    return nullptr;
}

bool parseFault(const std::string& fault, Options& out, std::string& error) {
    const std::vector<std::string> p = splitColons(fault);
    const std::string& name = p[0];
    Faults& f = out.faults;
    auto bad = [&] {
        error = "invalid fault '" + fault + "' (see --help)";
        return false;
    };
    auto reply = [&](ReplyFault::Kind kind, size_t maxParts, int defaultValue) {
        if (p.size() < 2 || p.size() > maxParts || p[1].empty()) return bad();
        ReplyFault r{kind, p[1], defaultValue};
        if (p.size() == 3 && !toInt(p[2], 0, 100000000, r.value)) return bad();
        f.replies.push_back(r);
        return true;
    };
    if (name == "delay") {
        if (p.size() != 3) return bad();
        return reply(ReplyFault::Kind::Delay, 3, 0);
    }
    if (name == "withhold") return reply(ReplyFault::Kind::Withhold, 2, 0);
    if (name == "malformed") return reply(ReplyFault::Kind::Malformed, 2, 0);
    if (name == "no-crlf") return reply(ReplyFault::Kind::NoCrlf, 2, 0);
    if (name == "overlong") return reply(ReplyFault::Kind::Overlong, 3, 100000);
    if (name == "close-command" || name == "close-data") {
        if (p.size() != 2) return bad();
        const size_t eq = p[1].find('=');
        int64_t n = 0;
        if (eq == std::string::npos || !toInt64(p[1].substr(eq + 1), 0, INT64_MAX / 2, n)) return bad();
        const std::string what = p[1].substr(0, eq);
        const bool cmd = name == "close-command";
        if (what == "commands")
            (cmd ? f.closeCommandAfterCommands : f.closeDataAfterCommands) = n;
        else if (what == "bytes")
            (cmd ? f.closeCommandAfterBytes : f.closeDataAfterBytes) = n;
        else
            return bad();
        return true;
    }
    if (name == "refuse") {
        if (p.size() == 1) {
            f.refuseCommand = f.refuseData = true;
        } else if (p.size() == 2 && p[1] == "command") {
            f.refuseCommand = true;
        } else if (p.size() == 2 && p[1] == "data") {
            f.refuseData = true;
        } else {
            return bad();
        }
        return true;
    }
    if (name == "chunk") return p.size() == 2 && parseChunk(p[1], out) ? true : bad();
    if (name == "early-226") return p.size() == 1 ? (f.early226 = true) : bad();
    if (name == "bad-magic") {
        f.badMagicFrame = 0;
        return p.size() == 1 || (p.size() == 2 && toInt(p[1], 0, 1 << 30, f.badMagicFrame)) ? true : bad();
    }
    if (name == "data-before-150") {
        f.dataBefore150 = INT64_MAX / 2;
        return p.size() == 1 || (p.size() == 2 && toInt64(p[1], 0, INT64_MAX / 2, f.dataBefore150)) ? true
                                                                                                    : bad();
    }
    if (name == "hold-226") {
        f.hold226Ms = -1;
        return p.size() == 1 || (p.size() == 2 && toInt(p[1], 0, 100000000, f.hold226Ms)) ? true : bad();
    }
    if (name == "error-reply") {
        if (p.size() < 2 || p.size() > 3 || !toInt(p[1], 1, 1 << 30, f.errorRequest)) return bad();
        if (p.size() == 3) {
            int code = 0;
            if (p[2].size() != 3 || !toInt(p[2], 100, 999, code)) return bad();
            f.errorCode = p[2];
        }
        return true;
    }
    if (name == "error-after") {
        if (p.size() < 2 || p.size() > 3 || !toInt64(p[1], 0, INT64_MAX / 2, f.errorAfter)) return bad();
        if (p.size() == 3) {
            int code = 0;
            if (p[2].size() != 3 || !toInt(p[2], 100, 999, code)) return bad();
            f.errorAfterCode = p[2];
        }
        return true;
    }
    if (name == "announce-bytes") {
        return p.size() == 2 && toInt64(p[1], -(int64_t{1} << 40), int64_t{1} << 40, f.announceDelta) ? true
                                                                                                      : bad();
    }
    if (name == "bad-magic-request") {
        if (p.size() < 2 || p.size() > 3 || !toInt(p[1], 1, 1 << 30, f.badMagicRequest)) return bad();
        return p.size() == 2 || toInt(p[2], 0, 1 << 30, f.badMagicRequestFrame) ? true : bad();
    }
    if (name == "stall-data") {
        f.stallDataAfter = 0;
        return p.size() == 1 || (p.size() == 2 && toInt64(p[1], 0, INT64_MAX / 2, f.stallDataAfter)) ? true
                                                                                                     : bad();
    }
    return bad();
}

bool parseOptions(const std::vector<std::string>& args, Options& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = "missing value after " + a;
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            out.help = true;
        } else if (a == "-v" || a == "--verbose") {
            out.verbose = true;
        } else if (a == "--bind") {
            if (!value(out.bind)) return false;
        } else if (a == "--command-port" || a == "--data-port") {
            if (!value(v)) return false;
            if (!toInt(v, 0, 65535, a == "--command-port" ? out.commandPort : out.dataPort)) {
                error = "invalid port '" + v + "'";
                return false;
            }
        } else if (a == "--memory") {
            if (!value(v)) return false;
            if (!toInt(v, 0, 2, out.memoryCode)) {
                error = "--memory takes 0, 1 or 2";
                return false;
            }
        } else if (a == "--speed") {
            if (!value(v)) return false;
            double s = 0;
            const auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), s);
            if (ec != std::errc{} || p != v.data() + v.size() || !(s > 0) || s > 1e6) {
                error = "--speed takes a factor above 0";
                return false;
            }
            out.speed = s;
        } else if (a == "--live-rate") {
            if (!value(v)) return false;
            double r = -1;
            const auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), r);
            if (ec != std::errc{} || p != v.data() + v.size() || !(r == 0 || (r >= 1 && r <= kMaxLiveRate))) {
                error = "--live-rate takes 0 or frames a second from 1 to 5000";
                return false;
            }
            out.liveRate = r;
        } else if (a == "--chunk") {
            if (!value(v)) return false;
            if (!parseChunk(v, out)) {
                error = "--chunk takes a byte count of at least 1 or 'random'";
                return false;
            }
        } else if (a == "--fault") {
            if (!value(v) || !parseFault(v, out, error)) return false;
        } else if (a == "--state") {
            if (!value(out.stateFile)) return false;
        } else {
            error = "unknown argument '" + a + "'";
            return false;
        }
    }
    return true;
}

std::string helpText() {
    return R"(Usage: zrkcam [options]
Stand-in for the ZRK-1 camera: a command port and a data port on one address.

  --bind ADDR          address to listen on (default 127.0.0.1)
  --command-port N     command port (default 4000; 0 picks a free port)
  --data-port N        data port (default 4001; 0 picks a free port)
  --memory 0|1|2       camera memory: 128, 256 or 512 MiB (default 0)
  --speed FACTOR       recordings run FACTOR times faster than their frame rate (default 1)
  --chunk BYTES|random largest single write on the data port, or random sizes 1..65536
  --live-rate FPS      live output at FPS frames a second, 1 to 5000 (default 0: the recording
                       rate times --speed, kept between 5 and 30)
  --state FILE         start with the settings and recorded regions of FILE (see camsim/README.md)
  --fault SPEC         misbehave on purpose; may be given many times (below)
  -v, --verbose        trace every line received and sent on standard error
  -h, --help           this text

The first line on standard output is "zrkcam listening on ADDR command=P data=Q".
SIGINT and SIGTERM stop the camera with exit status 0.

Faults (CMD is a command line prefix such as RMOD or "VERS MAIN", or * for every command):
  delay:CMD:MS             answer CMD only after MS milliseconds (later commands wait behind it)
  withhold:CMD             never answer CMD
  malformed:CMD            answer CMD with a line that is not a reply line ("2x0 ...")
  no-crlf:CMD              end the reply to CMD with a bare LF instead of CR LF
  overlong:CMD[:LEN]       answer CMD with a "200" line of LEN characters (default 100000)
  close-command:commands=N close the command connection after answering N commands
  close-command:bytes=N    close the command connection after sending N bytes on it
  close-data:commands=N    close the data connection after answering N commands
  close-data:bytes=N       close the data connection after sending N bytes on it
  refuse[:command|data]    accept and at once close connections to the port(s) named (default both)
  chunk:BYTES|random       same as --chunk
  early-226                send "226" right after "150", before the data
  bad-magic[:N]            spoil the magic of frame N (default 0) of each download and of the live stream
  stall-data[:BYTES]       stop sending after BYTES bytes (default 0) of each download or live stream,
                           keep the connection open and never send "226"
  data-before-150[:BYTES]  send BYTES (default all) of each download before its "150" line
  hold-226[:MS]            hold "226" back MS milliseconds after the data (default: never send it)
  error-reply:N[:CODE]     answer the N-th RQDL (counted from 1) with CODE (default 552), no data
  error-after:BYTES[:CODE] after "150" and BYTES bytes (or all) of each download, stop sending and
                           answer CODE (default 426) instead of "226"
  announce-bytes:DELTA     the "150" line announces the bytes sent plus DELTA (negative: more data
                           than announced)
  bad-magic-request:N[:F]  spoil the magic of frame F (default 0) of the N-th RQDL only
)";
}

} // namespace zrkcam
