// Where SaveRange learns the free space of a folder; replaceable so the limits can be tested.
#pragma once

class QString;

using FreeSpaceProbe = double (*)(const QString& path);
// nullptr goes back to the file system's own figure.
void SetFreeSpaceProbe(FreeSpaceProbe probe);
