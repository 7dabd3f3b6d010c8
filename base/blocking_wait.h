// The fixed waits of the connection code. They block the user-interface thread on purpose: no
// event is handled while the camera is given time. Tests shrink them with SetWaitScale.
#pragma once

void BlockingWait(int milliseconds);
// Every later wait lasts milliseconds x percent / 100 (100 = as asked).
void SetWaitScale(int percent);
