// The recording engine's controls as plain functions, exported from the
// recording rmchart.dll next to the engine functions, so that a program that
// reaches the engine only through chart.dll can script and read it.
#pragma once

#include <cstdint>

#include "abi/rmchart.h"

extern "C" {

// Forgets every call and scripted result; RGB2ARGB becomes identity.
void VANTIRO_STDCALL RecordingEngine_Reset(void);

// Queues the result of the next call of the engine function named `function`.
void VANTIRO_STDCALL RecordingEngine_PushResult(const char* function, std::int32_t result);

// RGB2ARGB(value, alpha) returns value ^ mask.
void VANTIRO_STDCALL RecordingEngine_SetColourMask(std::uint32_t mask);

// Number of calls recorded since the last reset.
std::int32_t VANTIRO_STDCALL RecordingEngine_CallCount(void);

// Copies the text of call `index` (from 0) into `buffer`, cut to size - 1
// bytes and terminated, and returns the full length of the text; -1 when
// there is no such call.
std::int32_t VANTIRO_STDCALL RecordingEngine_CallAt(std::int32_t index, char* buffer,
                                                    std::int32_t size);

}  // extern "C"
