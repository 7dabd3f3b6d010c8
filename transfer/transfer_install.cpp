#include "transfer/transfer_install.h"

#include "protocol/main_targets.h"
#include "transfer/data_receiver.h"
#include "transfer/held_data.h"

void InstallTransfer() {
    held::Reserve(); // once, so no chunk ever waits on an allocation
    Targets().dataChunk = [](const char* data, int count) { RecvImageData(data, count); };
    Targets().abortTransfer = AbortTransfer;
    Targets().releaseHeldData = ReleaseHeldData;
}
