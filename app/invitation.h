#pragma once
// The whole run: audio, window, console, loading, the frame loop and every way it ends.
// Returns the process exit code (audio failures and JPEG failures end the process with 1
// before returning; a missing resource ends it with 0).
int runInvitation();
