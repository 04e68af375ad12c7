// chart.dll as the authoring host meets it, under Wine: its export table,
// the catalogue it registers, the texts it hands over in GlobalAlloc blocks,
// the results of its entry points and the status protocol. The test runs in
// bin/recording/, beside chart.dll and the recording rmchart.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>

#include "testhost/cli/console_win32.h"
#include "testhost/core/host.h"
#include "testhost/core/plugin_module.h"
#include "testhost/core/win32.h"

namespace vantiro::testhost {
namespace {

std::string ChartDllPath() { return win32::ExecutableFolder() + "chart.dll"; }

// --- The export directory, read from the file -------------------------------

std::uint32_t Read32(const std::vector<unsigned char>& file, std::size_t at) {
  if (at + 4 > file.size()) return 0;
  return static_cast<std::uint32_t>(file[at]) | static_cast<std::uint32_t>(file[at + 1]) << 8 |
         static_cast<std::uint32_t>(file[at + 2]) << 16 |
         static_cast<std::uint32_t>(file[at + 3]) << 24;
}

std::uint16_t Read16(const std::vector<unsigned char>& file, std::size_t at) {
  if (at + 2 > file.size()) return 0;
  return static_cast<std::uint16_t>(file[at] | file[at + 1] << 8);
}

struct ExportDirectory {
  std::string moduleName;
  std::uint32_t functionCount = 0;
  std::vector<std::string> names;
};

// Reads the export directory of a 32-bit PE file; false if it has none.
bool ReadExports(const std::string& path, ExportDirectory& exports) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (Read16(file, 0) != 0x5A4D) return false;  // "MZ"
  std::size_t pe = Read32(file, 0x3C);
  if (Read32(file, pe) != 0x00004550) return false;  // "PE\0\0"
  std::size_t sectionCount = Read16(file, pe + 6);
  std::size_t optional = pe + 24;
  if (Read16(file, optional) != 0x10B) return false;  // PE32
  std::uint32_t exportRva = Read32(file, optional + 96);
  std::size_t sections = optional + Read16(file, pe + 20);
  auto toOffset = [&](std::uint32_t rva) -> std::size_t {
    for (std::size_t i = 0; i < sectionCount; ++i) {
      std::size_t section = sections + 40 * i;
      std::uint32_t start = Read32(file, section + 12);
      std::uint32_t size = std::max(Read32(file, section + 8), Read32(file, section + 16));
      if (rva >= start && rva < start + size) return rva - start + Read32(file, section + 20);
    }
    return file.size();
  };
  auto textAt = [&](std::uint32_t rva) {
    std::string text;
    for (std::size_t at = toOffset(rva); at < file.size() && file[at] != 0; ++at) {
      text += static_cast<char>(file[at]);
    }
    return text;
  };
  if (exportRva == 0) return false;
  std::size_t directory = toOffset(exportRva);
  exports.moduleName = textAt(Read32(file, directory + 12));
  exports.functionCount = Read32(file, directory + 20);
  std::uint32_t nameCount = Read32(file, directory + 24);
  std::size_t nameTable = toOffset(Read32(file, directory + 32));
  for (std::uint32_t i = 0; i < nameCount; ++i) {
    exports.names.push_back(textAt(Read32(file, nameTable + 4 * i)));
  }
  return true;
}

TEST(TestHostChartDllFile, ExportsExactlyTheSevenDecoratedNames) {
  ExportDirectory exports;
  ASSERT_TRUE(ReadExports(ChartDllPath(), exports)) << ChartDllPath();
  EXPECT_EQ(exports.moduleName, "chart.dll");
  EXPECT_EQ(exports.functionCount, 7u);
  std::vector<std::string> expected(kExportNames.begin(), kExportNames.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(exports.names, expected);  // the name table is sorted
}

TEST(TestHostChartDllFile, LookupFindsOnlyTheDecoratedNames) {
  std::string error;
  std::unique_ptr<PluginModule> plugin = PluginModule::Load(ChartDllPath(), error);
  ASSERT_NE(plugin, nullptr) << error;
  HMODULE module = GetModuleHandleA("chart.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetProcAddress(module, "nbRegisterPlugIn"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "nbRegisterPlugIn@16"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "_nbRegisterPlugIn"), nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, "_nbRegisterPlugIn@16")),
            reinterpret_cast<void*>(plugin->entryPoints().registerPlugIn));
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, "_nbExecAction@8")),
            reinterpret_cast<void*>(plugin->entryPoints().execAction));

  // A DLL without the entry points is refused with the first missing name.
  std::string rmchart = win32::ExecutableFolder() + "rmchart.dll";
  EXPECT_EQ(PluginModule::Load(rmchart, error), nullptr);
  EXPECT_NE(error.find("does not export _nbRegisterPlugIn@16"), std::string::npos) << error;
  EXPECT_EQ(PluginModule::Load(win32::ExecutableFolder() + "missing.dll", error), nullptr);
  EXPECT_NE(error.find("cannot load the plug-in"), std::string::npos) << error;
}

// --- The catalogue -----------------------------------------------------------

struct ExpectedRow {
  std::int32_t actionId;
  const char* name;
  const char* title;  // null for a heading: no hint
  const char* usage;  // the usage line
};

std::string Hint(const ExpectedRow& row) { return std::string(row.title) + "\r\n" + row.usage; }

// The 22 rows in registration order. Rows 3 and 4 are code page 1251.
const ExpectedRow kCatalogue[] = {
    {0, "*** Internal Use *** ", nullptr, nullptr},
    {1, "ae_SendVariable", "Internal Use Only", nullptr},
    {0, "\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5 \xF4\xF3\xED\xEA\xF6\xE8\xE8", nullptr, nullptr},
    {2, "ae_Graph_CreateChart", "\xD1\xEE\xE7\xE4\xE0\xF2\xFC      ",
     "ae_Graph_CreateGraph\"[recthandle]|id|x0|y0|width|height|BGColor|Style|Export|BGImage|"
     "FontName|WidthTooltip|BGImageColor\""},
    {9, "ae_Graph_CreateChartfromFile", "Create Chart from a File ",
     "ae_Graph_CreateGraphfromfile\"[recthandle]|id|x0|y0|Export|SourceFile\""},
    {3, "ae_Graph_DeleteChart", "Delete a Chart", "ae_Graph_DeleteChart\"id\""},
    {4, "ae_Graph_EndChart", "End Chart System. Must be used at end of the PUB",
     "ae_Graph_EndChart\"rect_handle\""},
    {5, "ae_Graph_AddRegion", "Add a Region to a Chart ",
     "ae_Graph_AddRegion\"ID|x0|y0|width|height|Footer Text|ShowBorder\""},
    {10, "ae_Graph_AddCaption", "Add a Caption to a Chart ",
     "ae_Graph_AddCaption\"id|Region|Caption|BKColor|TextColor|FontSize|FontBold\""},
    {13, "ae_Graph_AddLegend", "Add a Legend to a Chart ",
     "ae_Graph_AddCaption\"id|Region|Legend|Alignment|BKColor|Style|TextColor|FontSize|"
     "FontBold\""},
    {6, "ae_Graph_Draw", "Draw the Chart", "ae_Graph_Draw \"ID\""},
    {0, "GridLess Charts", nullptr, nullptr},
    {7, "ae_Graph_AddGridlessSeries", "Add a Serie for a Pie, Donut or Pyramid Chart ",
     "ae_Graph_AddGridlessSeries \"Id|Region|Data|Colors|Style|Alignment|Explode|Lucent|"
     "ValueLabel|Hatch|StartAngle\""},
    {0, "Grid Charts", nullptr, nullptr},
    {15, "ae_Graph_AddGrid", "Add a Grid to a Chart ",
     "ae_Graph_AddGrid\"ID|Region|BKColor|AsGradient|x0|y0|width|height|BiColor\""},
    {16, "ae_Graph_AddDataAxis", "Add a Axis to a Chart ",
     "ae_Graph_AddDataAxis\"ID|Region|Alignment|MinValue|MaxValue|TickCount|FontSize|"
     "TextColor|LineColor|LineStyle|DecimalDigits|Units|Text|Labels|LabelAlignment\""},
    {17, "ae_Graph_AddLabelAxis", "Add a Label Axis to a Chart ",
     "ae_Graph_AddLabelAxis\"ID|Region|Labels|AxisCount|TickCount|Alignment|FontSize|"
     "TextColor|TextAlignment|LineColor|LineStyle|Text\""},
    {14, "ae_Graph_AddBarSeries", "Add a Bar Series to a Chart ",
     "ae_Graph_AddBarSeries\"ID|Region|DataValues|Type|Style|IsLucent|Color|IsHorizontal|"
     "WhichDataAxis|ValueLabelOn|PointsPerColumn|HatchMode\""},
    {0, "Printing, Loading & Saving", nullptr, nullptr},
    {8, "ae_Graph_Draw2File", "Save Chart to a File",
     "ae_Graph_Draw2File \"Id|TargetFileName|width|height|JPGQuality\""},
    {11, "ae_Graph_WriteRMCFile", "Save RMC File ", "ae_Graph_WriteRMCFile\"id|TargetFile.RMC\""},
    {12, "ae_Graph_Draw2Printer", "Print the Chart", "ae_Graph_Draw2Printer \"Id\""},
};

class TestHostChartDll : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    plugin = PluginModule::Load(ChartDllPath(), error);
    ASSERT_NE(plugin, nullptr) << error;
    host = std::make_unique<Host>(plugin->entryPoints());
  }

  std::unique_ptr<PluginModule> plugin;
  std::unique_ptr<Host> host;
};

TEST_F(TestHostChartDll, RegistersTheCatalogueByteForByte) {
  for (int round = 1; round <= 2; ++round) {  // every registration is complete
    host->Register();
    const std::vector<CatalogueRow>& rows = host->catalogue();
    ASSERT_EQ(rows.size(), std::size(kCatalogue)) << "round " << round;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const ExpectedRow& expected = kCatalogue[i];
      const CatalogueRow& row = rows[i];
      SCOPED_TRACE("row " + std::to_string(i + 1) + " round " + std::to_string(round));
      bool heading = expected.actionId == 0;
      EXPECT_EQ(row.actionId, expected.actionId);
      EXPECT_EQ(row.name, expected.name);
      if (heading) {
        EXPECT_FALSE(row.hint.has_value());
      } else if (expected.usage == nullptr) {
        EXPECT_EQ(row.hint, expected.title);
      } else {
        EXPECT_EQ(row.hint, Hint(expected));
      }
      EXPECT_EQ(row.typeText, heading ? "ACTIONPARAM_NONE" : "ACTIONPARAM_ALPHA");
      EXPECT_EQ(row.paramCount, heading ? 0u : 1u);
      EXPECT_EQ(row.paramCount2, heading ? 0u : 1u);
    }
  }
  EXPECT_TRUE(host->strayVariableSets().empty());
}

// --- The texts of nbInitPlugIn -------------------------------------------------

// chart.dll's GlobalAlloc and GlobalFree, replaced in its import table by
// recorders that call the real functions.
struct GlobalCalls {
  std::vector<std::string> log;
  decltype(&GlobalAlloc) realAlloc = nullptr;
  decltype(&GlobalFree) realFree = nullptr;
};
GlobalCalls g_globalCalls;

HGLOBAL WINAPI RecordGlobalAlloc(UINT flags, SIZE_T bytes) {
  HGLOBAL block = g_globalCalls.realAlloc(flags, bytes);
  g_globalCalls.log.push_back("GlobalAlloc(" + std::to_string(flags) + ", " +
                              std::to_string(bytes) + ")");
  return block;
}

HGLOBAL WINAPI RecordGlobalFree(HGLOBAL block) {
  g_globalCalls.log.push_back("GlobalFree(" +
                              std::to_string(reinterpret_cast<std::uintptr_t>(block)) + ")");
  return g_globalCalls.realFree(block);
}

// Points the import-table slot of `function` (imported from KERNEL32) of
// `module` at `replacement`; returns what it held, or null if not found.
void* PatchImport(HMODULE module, const char* function, void* replacement) {
  auto* base = reinterpret_cast<unsigned char*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; descriptor->Name != 0; ++descriptor) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + descriptor->Name), "KERNEL32.dll") != 0) {
      continue;
    }
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + descriptor->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      void* original = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<DWORD>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return original;
    }
  }
  return nullptr;
}

TEST_F(TestHostChartDll, HandsOverTheTextsInGlobalAllocBlocks) {
  HMODULE module = GetModuleHandleA("chart.dll");
  void* realAlloc = PatchImport(module, "GlobalAlloc", reinterpret_cast<void*>(&RecordGlobalAlloc));
  void* realFree = PatchImport(module, "GlobalFree", reinterpret_cast<void*>(&RecordGlobalFree));
  ASSERT_NE(realAlloc, nullptr) << "chart.dll imports no GlobalAlloc";
  ASSERT_NE(realFree, nullptr) << "chart.dll imports no GlobalFree";
  g_globalCalls = {};
  g_globalCalls.realAlloc = reinterpret_cast<decltype(&GlobalAlloc)>(realAlloc);
  g_globalCalls.realFree = reinterpret_cast<decltype(&GlobalFree)>(realFree);

  // The title variable already holds a block of the host's; the others 0.
  char* preset = static_cast<char*>(GlobalAlloc(GMEM_FIXED, 8));
  char* title = preset;
  char* publisher = nullptr;
  char* hint = nullptr;
  plugin->entryPoints().initPlugIn(0, &title, &publisher, &hint);
  PatchImport(module, "GlobalAlloc", realAlloc);
  PatchImport(module, "GlobalFree", realFree);

  const std::vector<std::string> expectedLog = {
      "GlobalFree(" + std::to_string(reinterpret_cast<std::uintptr_t>(preset)) + ")",
      "GlobalAlloc(64, 14)",
      "GlobalAlloc(64, 9)",
      "GlobalAlloc(64, 16)",
  };
  EXPECT_EQ(g_globalCalls.log, expectedLog);
  struct Text {
    char* block;
    std::string expected;
  };
  for (const Text& text :
       {Text{title, "Vantiro 1.0.5"}, Text{publisher, "Quorvane"}, Text{hint, "RMChart MAnager"}}) {
    ASSERT_NE(text.block, nullptr) << text.expected;
    EXPECT_EQ(std::string(text.block), text.expected);
    EXPECT_EQ(GlobalSize(text.block), text.expected.size() + 1);
    EXPECT_EQ(GlobalFree(text.block), nullptr);  // the host can release it
  }

  // Through the host: copied, and the blocks released.
  PluginInfo info = host->Init();
  EXPECT_EQ(info.title, "Vantiro 1.0.5");
  EXPECT_EQ(info.publisher, "Quorvane");
  EXPECT_EQ(info.hint, "RMChart MAnager");
}

// --- Entry point results and the status protocol -------------------------------

TEST_F(TestHostChartDll, EntryPointsAnswerOnlyWhetherTheActionIdIsKnown) {
  host->Register();
  const EntryPoints& entry = plugin->entryPoints();
  for (std::int32_t id : {0, 18, -1, 100, INT_MIN, INT_MAX}) {
    EXPECT_EQ(host->Execute(id, std::string("1")).returned, 0u) << id;
    EXPECT_EQ(entry.editAction(id, 0), 0u) << id;
  }
  for (std::int32_t id = 1; id <= 17; ++id) {
    EXPECT_EQ(entry.editAction(id, 0), 1u) << id;
    // Printing would show the print dialog wherever a display exists.
    if (id == 12) continue;
    EXPECT_EQ(host->Execute(id, std::nullopt).returned, 1u) << id;
  }
  entry.message(0, 0);
  entry.message(-1, 7);
  entry.registerScriptProcessor(nullptr);
  entry.registerInterfaceAccess(nullptr);
  EXPECT_TRUE(host->strayVariableSets().empty());
}

// The recording engine's controls, exported by the recording rmchart.dll.
struct RecordingEngine {
  explicit RecordingEngine(HMODULE engine)
      : reset(Find<decltype(reset)>(engine, "RecordingEngine_Reset")),
        pushResult(Find<decltype(pushResult)>(engine, "RecordingEngine_PushResult")),
        callCount(Find<decltype(callCount)>(engine, "RecordingEngine_CallCount")),
        callAt(Find<decltype(callAt)>(engine, "RecordingEngine_CallAt")) {}

  template <typename F>
  static F Find(HMODULE engine, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(engine, name)));
  }

  std::vector<std::string> Calls() const {
    std::vector<std::string> texts;
    for (std::int32_t i = 0; i < callCount(); ++i) {
      char buffer[512];
      callAt(i, buffer, sizeof buffer);
      texts.push_back(buffer);
    }
    return texts;
  }

  void(WINAPI* reset)();
  void(WINAPI* pushResult)(const char*, std::int32_t);
  std::int32_t(WINAPI* callCount)();
  std::int32_t(WINAPI* callAt)(std::int32_t, char*, std::int32_t);
};

TEST_F(TestHostChartDll, SendVariablePresetsTheStatusOfAnUnlistedResult) {
  host->Register();
  RecordingEngine engine(GetModuleHandleA("rmchart.dll"));
  ASSERT_NE(engine.pushResult, nullptr)
      << "rmchart.dll beside chart.dll is not the recording engine";
  engine.reset();

  std::optional<ActionResult> sent = host->Execute("ae_SendVariable", std::string("a|b"));
  ASSERT_TRUE(sent.has_value());
  EXPECT_EQ(sent->returned, 1u);
  EXPECT_TRUE(sent->variablesSet.empty());
  EXPECT_TRUE(engine.Calls().empty());

  // -9 has no message for ae_Graph_AddRegion: the preset text is reported.
  engine.pushResult("RMC_ADDREGION", -9);
  ActionResult region = *host->Execute("ae_Graph_AddRegion", std::string("3|0|0|0|0|x|0"));
  ASSERT_EQ(region.variablesSet.size(), 1u);
  EXPECT_EQ(region.variablesSet[0].name, "ae_Graph_AddRegionStatus");
  EXPECT_EQ(region.variablesSet[0].value, "a|b");
  EXPECT_EQ(engine.Calls(), (std::vector<std::string>{"RMC_ADDREGION(3, 0, 0, 0, 0, \"x\", 0)",
                                                      "RMC_DELETECHART(3)"}));

  // A listed result replaces it; an empty preset is reported as null.
  engine.pushResult("RMC_ADDREGION", -6);
  region = *host->Execute("ae_Graph_AddRegion", std::string("3"));
  EXPECT_EQ(region.variablesSet.at(0).value,
            "Wrong control ID (0 or no chart with this control ID was found).");
  host->Execute("ae_SendVariable", std::string());
  engine.pushResult("RMC_DRAW2FILE", -26);
  ActionResult file = *host->Execute("ae_Graph_Draw2File", std::string("3|x.png"));
  ASSERT_EQ(file.variablesSet.size(), 1u);
  EXPECT_EQ(file.variablesSet[0].name, "ae_Graph_Draw2FileStatus");
  EXPECT_FALSE(file.variablesSet[0].value.has_value());
  EXPECT_TRUE(host->HasVariable("ae_Graph_Draw2FileStatus"));
  EXPECT_EQ(host->Variable("ae_Graph_Draw2FileStatus"), "");
}

}  // namespace
}  // namespace vantiro::testhost

namespace vantiro::testhost {
namespace {

// What goes to a console is handed over as UTF-16 from the ANSI code page:
// a Russian console (866) shows the 1251 texts right. A character cut by a
// flush waits for the rest.
TEST(ConsoleOutput, WritesTheCodePagesTextsAsUnicode) {
  std::wstring shown;
  {
    win32::ConsoleBuffer buffer(1251, [&shown](const std::wstring& text) { shown += text; });
    std::ostream out(&buffer);
    out << "reason: cannot write \xEE\xF2\xF7\xB8\xF2.png\n" << std::flush;
    EXPECT_EQ(shown, L"reason: cannot write \u043E\u0442\u0447\u0451\u0442.png\n");
  }
  shown.clear();
  {
    win32::ConsoleBuffer buffer(CP_UTF8, [&shown](const std::wstring& text) { shown += text; });
    std::ostream out(&buffer);
    out << "\xD0" << std::flush;
    EXPECT_EQ(shown, L"");
    out << "\x9F!" << std::flush;
    EXPECT_EQ(shown, L"\u041F!");
  }
}

}  // namespace
}  // namespace vantiro::testhost
