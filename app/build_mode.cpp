#include "app/build_mode.h"

#ifndef INVITE_FULLSCREEN
#define INVITE_FULLSCREEN 0
#endif

const bool fullscreenBuild = INVITE_FULLSCREEN != 0;
