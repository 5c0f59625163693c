#pragma once
// <windows.h> with the macros that would clash with the standard library
// (min, max) and the parts quernel never uses left out.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
