#include "playback/playback_state.h"

PlaybackState& Playback() {
    static PlaybackState state;
    return state;
}
