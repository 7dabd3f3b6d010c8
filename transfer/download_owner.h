// The window that started the download owns its progress window; the data file is synced
// before a download counts as finished.
#pragma once

class QWidget;

void SetDownloadOwner(QWidget* owner);

// The call that puts a finished data file on the disk before the download counts as finished
// (fdatasync; tests put a failing one in its place). nullptr restores fdatasync.
using DataSync = int (*)(int fd);
void SetDownloadSync(DataSync sync);
