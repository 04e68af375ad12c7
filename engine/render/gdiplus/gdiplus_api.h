// The single place that includes <windows.h> and GDI+ for the engine's
// Windows code. The system headers are compiled with their own warnings
// silenced here, so our flags stay strict everywhere else.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wcast-function-type"
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#pragma GCC diagnostic pop
