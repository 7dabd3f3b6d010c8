#include "playback/playback_install.h"

#include "playback/open_data_file.h"
#include "protocol/main_targets.h"

void InstallPlayback() {
    Targets().openDataFile = [] { return OpenDataFile(); };
}
