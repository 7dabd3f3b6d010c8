// What the receiver's parts share among themselves (not for other subsystems).
#pragma once

#include <cstdint>

namespace receiver {

// tmrDataTimeOut of the main window (absent in tests without one: then nothing happens).
void StartDataTimeOut();
void StopDataTimeOut();
// Starts it only when it is not running: dropped chunks must not push the time-out back.
void KeepDataTimeOutRunning();
void StartCommandTimeOut();

// Live assembly back to its start: both buffers free, nothing half filled, and the next chunk
// that begins with the signature starts a frame.
void ResetLiveAssembly();
// The live stream lost bytes: abandon the frame in progress and wait for a signature.
void LiveGap();

// Closes the data file if one is open (kept as written). False when the close itself failed.
bool CloseDataFile();
// The progress window of a download; closed with the download.
void CloseDownloadProgress();

// The next bytes of the data port, up to this many, still belong to a frame record the
// receiver refused (no signature): they are dropped before anything else sees them.
void DiscardNext(int64_t bytes);

// Counts the aborts: code that waited in a message box tells from it whether the transfer it was
// finishing is still there.
uint64_t Aborts();

// The three-byte signature test of the start of a frame record.
inline bool BeginsWithSignature(const char* data, int32_t length) {
    return length >= 3 && data[0] == 'Z' && data[1] == 'R' && data[2] == 'K';
}

} // namespace receiver
