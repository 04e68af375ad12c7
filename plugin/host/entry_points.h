// The seven entry points the authoring host calls, and the two host
// callbacks the plug-in calls. On Windows they are exported from chart.dll
// under their decorated stdcall names (_nbExecAction@8, ...); native builds
// call them directly.
#pragma once

#include <cstdint>

#include "abi/rmchart.h"

extern "C" {

// AddActionCallback(ActionId, name, hint or null, parameter-type text,
// parameter count, parameter count). The result is ignored.
typedef std::int32_t(VANTIRO_STDCALL* AddActionCallback)(std::int32_t actionId, const char* name,
                                                         const char* hint, const char* typeText,
                                                         std::uint32_t paramCount,
                                                         std::uint32_t paramCount2);

// SetVariableCallback(variable name, value or null when empty). The result
// is ignored.
typedef std::int32_t(VANTIRO_STDCALL* SetVariableCallback)(const char* name, const char* value);

void VANTIRO_STDCALL nbRegisterPlugIn(AddActionCallback addAction, void* ignored2, void* ignored3,
                                      SetVariableCallback setVariable);

void VANTIRO_STDCALL nbInitPlugIn(std::uint32_t ignored, char** title, char** publisher,
                                  char** hint);

// 1 if actionId is one of 1..17 (the action has run), else 0; the upper 24
// bits of the result are always zero.
std::uint32_t VANTIRO_STDCALL nbExecAction(std::int32_t actionId, const char* const* actionParams);

std::uint32_t VANTIRO_STDCALL nbEditAction(std::int32_t actionId, std::uint32_t ignored);

void VANTIRO_STDCALL nbMessage(std::int32_t code, std::uint32_t ignored);

void VANTIRO_STDCALL nbRegisterScriptProcessor(void* scriptProcessor);

void VANTIRO_STDCALL nbRegisterInterfaceAccess(void* interfaceAccess);

}  // extern "C"
