#pragma once
// Which of the two programs this is: set by INVITE_FULLSCREEN when the program is linked.
extern const bool fullscreenBuild;
