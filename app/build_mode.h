#pragma once
// Which of the two programs this is: set by INVITE_FULLSCREEN when the program is linked.
extern const bool fullscreenBuild;
// Whether this is a release program, which comes in an archive without the sources and tools.
extern const bool releaseBuild;
