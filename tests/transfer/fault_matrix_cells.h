// The fault matrix's axes: the stages the program is brought to and the faults that then hit it,
// with the messages the program owes.
#pragma once

#include <QString>
#include <optional>

enum class Stage {
    ReadOut,
    Idle,
    Live,
    Thumbnails,
    PreviewPlaying,
    DownloadStart,
    DownloadMiddle,
    DownloadEnd
};
enum class Fault { CommandClosed, DataClosed, Killed, NoReply, ErrorReply, BadSignature, DiskFull };

inline const char* Name(Stage s) {
    static const char* names[] = {
        "read-out",        "idle",        "live", "thumbnails", "preview playing", "download start",
        "download middle", "download end"};
    return names[static_cast<int>(s)];
}
inline const char* Name(Fault f) {
    static const char* names[] = {
        "command link closed", "data link closed", "camera killed", "reply never sent",
        "error reply",         "bad signature",    "disk full"};
    return names[static_cast<int>(f)];
}

inline const QString kLost = QStringLiteral("Camera connection lost. Cannot communicate.");
inline const QString kComTimeOut = QStringLiteral("Time out control command port\r\nCommunication end.");
inline const QString kDataTimeOut = QStringLiteral("Time out image data port\r\nCommunication end.");

struct Cell {
    Stage stage;
    Fault fault;
    std::optional<QString> message; // the one message owed; nullopt: none
};
