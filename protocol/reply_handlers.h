// The handlers of the camera's replies, one per command keyword. The command channel hands each
// complete reply line to the handler of the command in flight (InstallReplyHandlers fills its
// table). Every handler checks the reply before it believes it, reports a failure in one message
// box, and ends the command with FinishCommand unless it waits for a later reply.
#pragma once

#include <QDateTime>
#include <QString>

// Fills the channel's handler table for every command identity 1..53.
void InstallReplyHandlers();

// Recording and live output.
void OnReplyRCST(const QString& line);
void OnReplyRCSP(const QString& line);
void OnReplyTRIG(const QString& line);
void OnReplyRACL(const QString& line);
void OnReplySTAT(const QString& line);
void OnReplyNPIC(const QString& line);
void OnReplyPTRG(const QString& line);
void OnReplyMODE(const QString& line);
void OnReplyLVST(const QString& line);
void OnReplyLVSP(const QString& line);

// Downloads and single frames.
void OnReplyRQDL(const QString& line);
void OnReplyThumbnailRQDL(const QString& line);

// Simple settings, backup and restore, clock.
void OnReplyANIG(const QString& line);
void OnReplyGAIN(const QString& line);
void OnReplyGAMM(const QString& line);
void OnReplySMOD(const QString& line);
void OnReplyDRAM(const QString& line);
void OnReplyBKUP(const QString& line);
void OnReplyRSTR(const QString& line);
void OnReplyTIME(const QString& line);

// Configuration records.
void OnReplyRMOD(const QString& line); // the channel itself calls FinishCommand afterwards
void OnReplyRMODSet(const QString& line);
void OnReplySTGW(const QString& line);
void OnReplySTGWSet(const QString& line);
void OnReplySTIP(const QString& line);
void OnReplySTIPSet(const QString& line);
void OnReplyVERS(const QString& line);
void OnReplyWBPR(const QString& line);

// The camera's settings-memory backup in the settings file ("EPROM"/"Data"). A text the file
// cannot give back unchanged (over kIniValueMax characters, line breaks, characters outside
// 8-bit text) is refused and the stored backup kept; false then, and when the write failed.
// Blanks at either end are kept (the value is stored in quotes), so it reads back exactly.
bool SaveEpromBackup(const QString& text);
QString ReadEpromBackup();

// The computer's clock as the TIME reply reads it; tests put a fixed one in (nullptr: the real one).
using ClockFunction = QDateTime (*)();
void SetReplyClock(ClockFunction clock);
// The range of dates the date/time dialog works in, for the camera's clock and the computer's.
bool DateInDialogRange(const QDate& date);
