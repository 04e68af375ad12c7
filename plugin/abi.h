// Calling convention of everything that crosses a module boundary: the host's
// entry points and callbacks, and the chart engine's functions. On 32-bit
// Windows this is stdcall (callee removes the arguments); elsewhere the
// platform's default.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define VANTIRO_STDCALL __stdcall
#else
#define VANTIRO_STDCALL
#endif
