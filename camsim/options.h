// Command line of zrkcam, including the fault switches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrkcam {

// One misbehaviour tied to the replies of matching commands.
struct ReplyFault {
    enum class Kind { Delay, Withhold, Malformed, NoCrlf, Overlong };
    Kind kind = Kind::Delay;
    std::string command; // a command line prefix ("RMOD", "VERS MAIN"), or "*" for every command
    int value = 0;       // Delay: milliseconds; Overlong: line length
    bool matches(const std::string& line) const;
};

struct Faults {
    std::vector<ReplyFault> replies;
    int64_t closeCommandAfterCommands = -1;
    int64_t closeCommandAfterBytes = -1;
    int64_t closeDataAfterCommands = -1;
    int64_t closeDataAfterBytes = -1;
    bool refuseCommand = false;
    bool refuseData = false;
    bool early226 = false;
    int badMagicFrame = -1;      // frame index within each transfer whose magic is spoiled
    int64_t stallDataAfter = -1; // bytes of each transfer sent before the data port goes silent
    int64_t dataBefore150 = -1;  // bytes of each download sent before its "150" line
    int hold226Ms = -2;          // "226" held back: -2 not at all, -1 for good, else milliseconds
    int errorRequest = 0;        // data request (RQDL, counted from 1) answered with errorCode instead
    std::string errorCode = "552";
    int64_t announceDelta = 0;          // the "150" announces the bytes sent plus this
    int badMagicRequest = 0;            // data request (counted from 1) whose frame badMagicRequestFrame...
    int badMagicRequestFrame = 0;       // ...starts with "XRK"
    int64_t errorAfter = -1;            // bytes of each download sent before it is refused after all...
    std::string errorAfterCode = "426"; // ...with this code instead of "226"

    const ReplyFault* find(ReplyFault::Kind kind, const std::string& line) const;
};

struct Options {
    std::string bind = "127.0.0.1";
    int commandPort = 4000;
    int dataPort = 4001;
    int memoryCode = 0;
    double speed = 1.0;
    int chunk = 0;            // largest write on the data port, 0 = as large as the socket takes
    bool chunkRandom = false; // random write sizes from 1 to 65536
    double liveRate = 0;      // live frames a second; 0 = the recording rate kept between 5 and 30
    Faults faults;
    std::string stateFile;
    bool verbose = false;
    bool help = false;
};

// Returns false with a message in error when the command line is not valid.
bool parseOptions(const std::vector<std::string>& args, Options& out, std::string& error);
bool parseFault(const std::string& fault, Options& out, std::string& error);
std::string helpText();

} // namespace zrkcam
