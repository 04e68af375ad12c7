// The stand-in plug-in.
#include "fake_plugin.h"

#include <cstdlib>
#include <cstring>

namespace vantiro::testhost::fake {
namespace {

AddActionCallback g_addAction = nullptr;
SetVariableCallback g_setVariable = nullptr;

// Passes each text in a buffer that is scribbled over when the callback has
// returned, as the plug-in releases its copies.
void AddRow(std::int32_t id, const char* name, const char* hint, const char* type,
            std::uint32_t count) {
  std::string nameCopy = name;
  std::string hintCopy = hint != nullptr ? hint : "";
  std::string typeCopy = type;
  g_addAction(id, nameCopy.data(), hint != nullptr ? hintCopy.data() : nullptr, typeCopy.data(),
              count, count);
  for (std::string* copy : {&nameCopy, &hintCopy, &typeCopy}) copy->assign(copy->size(), '#');
}

void VANTIRO_STDCALL RegisterPlugIn(AddActionCallback addAction, void*, void*,
                                    SetVariableCallback setVariable) {
  ++Calls().registerCalls;
  g_addAction = addAction;
  g_setVariable = setVariable;
  AddRow(0, "Tools", nullptr, "ACTIONPARAM_NONE", 0);
  AddRow(1, "fake_Remember", "Remember\r\nfake_Remember \"text\"", "ACTIONPARAM_ALPHA", 1);
  AddRow(2, "fake_Echo", "Echo", "ACTIONPARAM_ALPHA", 1);
  AddRow(3, "fake_Twice", nullptr, "ACTIONPARAM_ALPHA", 1);
  AddRow(0, "\xD0", "\xCE\xF1", "ACTIONPARAM_NONE", 0);
}

char* HandOver(const char* text) {
  char* block = static_cast<char*>(std::calloc(std::strlen(text) + 1, 1));
  std::strcpy(block, text);
  Calls().handedOver.push_back(block);
  return block;
}

void VANTIRO_STDCALL InitPlugIn(std::uint32_t, char** title, char** publisher, char** hint) {
  *title = HandOver("Fake 1.0");
  *publisher = HandOver("Nobody");
  *hint = nullptr;  // left empty: nothing to release
}

void SetVariable(const char* name, const std::string& value) {
  // Temporary copies, null for the empty text, as the plug-in passes them.
  std::string nameCopy = name;
  std::string valueCopy = value;
  g_setVariable(nameCopy.data(), value.empty() ? nullptr : valueCopy.data());
  valueCopy.assign(valueCopy.size(), '#');
}

std::uint32_t VANTIRO_STDCALL ExecAction(std::int32_t actionId, const char* const* params) {
  Record& calls = Calls();
  ++calls.execCalls;
  calls.paramWasNull.push_back(params[0] == nullptr);
  std::string text = params[0] != nullptr ? params[0] : "";
  calls.params.push_back(text);
  switch (actionId) {
    case 1: calls.remembered = text; return 1;
    case 2: SetVariable("fake_EchoStatus", text); return 1;
    case 3:
      SetVariable("A", "Ok");
      SetVariable("B", text);
      return 1;
    default: return 0;
  }
}

std::uint32_t VANTIRO_STDCALL EditAction(std::int32_t actionId, std::uint32_t) {
  return actionId >= 1 && actionId <= 3 ? 1 : 0;
}

void VANTIRO_STDCALL Message(std::int32_t, std::uint32_t) {}
void VANTIRO_STDCALL RegisterPointer(void*) {}

void Release(char* text) {
  Calls().released.push_back(text);
  std::free(text);
}

}  // namespace

Record& Calls() {
  static Record record;
  return record;
}

void Reset() { Calls() = Record{}; }

void SetVariableNow(const char* name, const char* value) { g_setVariable(name, value); }

EntryPoints Plugin() {
  EntryPoints entry;
  entry.registerPlugIn = &RegisterPlugIn;
  entry.initPlugIn = &InitPlugIn;
  entry.execAction = &ExecAction;
  entry.editAction = &EditAction;
  entry.message = &Message;
  entry.registerScriptProcessor = &RegisterPointer;
  entry.registerInterfaceAccess = &RegisterPointer;
  entry.releaseInitText = &Release;
  return entry;
}

}  // namespace vantiro::testhost::fake
