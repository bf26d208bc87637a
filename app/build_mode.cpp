#include "app/build_mode.h"

#ifndef INVITE_FULLSCREEN
#define INVITE_FULLSCREEN 0
#endif

const bool fullscreenBuild = INVITE_FULLSCREEN != 0;

#ifndef INVITE_RELEASE
#define INVITE_RELEASE 0
#endif

const bool releaseBuild = INVITE_RELEASE != 0;
