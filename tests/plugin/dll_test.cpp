// chart.dll as the host sees it: its export and import tables read from the
// file, its entry points looked up by name, and the action tables run
// through it against the recording rmchart.dll next to it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "plugin/host/entry_points.h"
#include "tests/plugin/action_cases.h"
#include "tests/plugin/host_log.h"

namespace vantiro::plugin_tests {
namespace {

// --- The PE file ------------------------------------------------------------------

class PeFile {
 public:
  explicit PeFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
    if (bytes_.size() < 0x40) return;
    const std::uint32_t pe = U32(0x3C);
    if (pe + 24 > bytes_.size() || U32(pe) != 0x00004550) return;
    const std::uint16_t sections = U16(pe + 6);
    const std::uint16_t optionalSize = U16(pe + 20);
    optional_ = pe + 24;
    if (U16(optional_) != 0x10B) return;  // PE32
    sections_ = optional_ + optionalSize;
    sectionCount_ = sections;
    valid_ = true;
  }

  bool valid() const { return valid_; }

  // Data directory `index`: its RVA.
  std::uint32_t Directory(int index) const {
    return U32(optional_ + 96 + static_cast<std::size_t>(index) * 8);
  }

  std::string Text(std::uint32_t rva) const {
    std::string text;
    for (std::size_t at = Offset(rva); at < bytes_.size() && bytes_[at] != 0; ++at) {
      text += static_cast<char>(bytes_[at]);
    }
    return text;
  }

  std::uint32_t U32At(std::uint32_t rva) const { return U32(Offset(rva)); }

 private:
  std::uint16_t U16(std::size_t at) const {
    if (at + 2 > bytes_.size()) return 0;
    return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }
  std::uint32_t U32(std::size_t at) const {
    if (at + 4 > bytes_.size()) return 0;
    return static_cast<std::uint32_t>(bytes_[at]) |
           static_cast<std::uint32_t>(bytes_[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
  }
  std::size_t Offset(std::uint32_t rva) const {
    for (std::size_t i = 0; i < sectionCount_; ++i) {
      const std::size_t s = sections_ + i * 40;
      const std::uint32_t address = U32(s + 12);
      const std::uint32_t size = std::max(U32(s + 8), U32(s + 16));
      if (rva >= address && rva < address + size) return rva - address + U32(s + 20);
    }
    return bytes_.size();
  }

  std::vector<unsigned char> bytes_;
  std::size_t optional_ = 0;
  std::size_t sections_ = 0;
  std::size_t sectionCount_ = 0;
  bool valid_ = false;
};

const std::set<std::string> kExports = {
    "_nbEditAction@8",
    "_nbExecAction@8",
    "_nbInitPlugIn@16",
    "_nbMessage@8",
    "_nbRegisterInterfaceAccess@4",
    "_nbRegisterPlugIn@16",
    "_nbRegisterScriptProcessor@4",
};

TEST(ChartDllFile, ExportsExactlyTheSevenDecoratedNames) {
  const PeFile dll("chart.dll");
  ASSERT_TRUE(dll.valid());
  const std::uint32_t exports = dll.Directory(0);
  ASSERT_NE(exports, 0U);
  EXPECT_EQ(dll.Text(dll.U32At(exports + 12)), "chart.dll");
  EXPECT_EQ(dll.U32At(exports + 20), 7U);  // functions
  const std::uint32_t count = dll.U32At(exports + 24);
  const std::uint32_t names = dll.U32At(exports + 32);
  std::set<std::string> found;
  for (std::uint32_t i = 0; i < count; ++i) found.insert(dll.Text(dll.U32At(names + i * 4)));
  EXPECT_EQ(found, kExports);
}

TEST(ChartDllFile, ImportsTheSixteenEngineFunctionsByPlainName) {
  const PeFile dll("chart.dll");
  ASSERT_TRUE(dll.valid());
  const std::set<std::string> systemDlls = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                            "comdlg32.dll", "msvcrt.dll"};
  std::set<std::string> engine;
  std::set<std::string> modules;
  for (std::uint32_t d = dll.Directory(1); dll.U32At(d + 12) != 0; d += 20) {
    std::string module = dll.Text(dll.U32At(d + 12));
    std::transform(module.begin(), module.end(), module.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    modules.insert(module);
    if (module != "rmchart.dll") continue;
    const std::uint32_t lookup = dll.U32At(d) != 0 ? dll.U32At(d) : dll.U32At(d + 16);
    for (std::uint32_t t = lookup; dll.U32At(t) != 0; t += 4) {
      const std::uint32_t entry = dll.U32At(t);
      ASSERT_EQ(entry & 0x80000000U, 0U) << "import by ordinal";
      engine.insert(dll.Text(entry + 2));
    }
  }
  const std::set<std::string> expected = {
      "RMC_CREATECHART",  "RMC_CREATECHARTFROMFILE", "RMC_DRAW",
      "RMC_DELETECHART",  "RMC_ADDREGION",           "RMC_ADDGRID",
      "RMC_ADDCAPTION",   "RMC_ADDLEGEND",           "RMC_ADDDATAAXIS",
      "RMC_ADDLABELAXIS", "RMC_ADDBARSERIES",        "RMC_ADDGRIDLESSSERIES",
      "RMC_DRAW2FILE",    "RMC_WRITERMCFILE",        "RMC_DRAW2PRINTER",
      "RGB2ARGB"};
  EXPECT_EQ(engine, expected);
  for (const std::string& module : modules) {
    EXPECT_TRUE(module == "rmchart.dll" || systemDlls.count(module) == 1) << module;
  }
}

// --- The loaded module ------------------------------------------------------------

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class DllDriver : public PluginDriver {
 public:
  ~DllDriver() override { Unload(); }

  void Fresh() override {
    Unload();  // a fresh load: StatusText unset
    chart_ = LoadLibraryA("chart.dll");
    ASSERT_NE(chart_, nullptr);
    registerPlugIn = Lookup<decltype(&nbRegisterPlugIn)>(chart_, "_nbRegisterPlugIn@16");
    initPlugIn = Lookup<decltype(&nbInitPlugIn)>(chart_, "_nbInitPlugIn@16");
    execAction = Lookup<decltype(&nbExecAction)>(chart_, "_nbExecAction@8");
    editAction = Lookup<decltype(&nbEditAction)>(chart_, "_nbEditAction@8");
    HMODULE engine = GetModuleHandleA("rmchart.dll");
    ASSERT_NE(engine, nullptr);
    reset_ = Lookup<void(WINAPI*)()>(engine, "RecordingEngine_Reset");
    push_ = Lookup<void(WINAPI*)(const char*, std::int32_t)>(engine, "RecordingEngine_PushResult");
    mask_ = Lookup<void(WINAPI*)(std::uint32_t)>(engine, "RecordingEngine_SetColourMask");
    count_ = Lookup<std::int32_t(WINAPI*)()>(engine, "RecordingEngine_CallCount");
    callAt_ = Lookup<std::int32_t(WINAPI*)(std::int32_t, char*, std::int32_t)>(
        engine, "RecordingEngine_CallAt");
    ASSERT_TRUE(registerPlugIn && initPlugIn && execAction && editAction);
    ASSERT_TRUE(reset_ && push_ && mask_ && count_ && callAt_);
    registerPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
    Host() = {};
    reset_();
    mask_(kColourMask);
  }
  void PushResult(const std::string& function, std::int32_t result) override {
    push_(function.c_str(), result);
  }
  std::uint32_t Exec(std::int32_t actionId, const char* const* params) override {
    return execAction(actionId, params);
  }
  std::vector<std::string> EngineCalls() override {
    std::vector<std::string> calls;
    for (std::int32_t i = 0; i < count_(); ++i) {
      std::string text(static_cast<std::size_t>(callAt_(i, nullptr, 0)) + 1, '\0');
      callAt_(i, text.data(), static_cast<std::int32_t>(text.size()));
      text.pop_back();
      calls.push_back(text);
    }
    return calls;
  }

  decltype(&nbRegisterPlugIn) registerPlugIn = nullptr;
  decltype(&nbInitPlugIn) initPlugIn = nullptr;
  decltype(&nbExecAction) execAction = nullptr;
  decltype(&nbEditAction) editAction = nullptr;

 private:
  void Unload() {
    if (chart_ != nullptr) FreeLibrary(chart_);
    chart_ = nullptr;
  }

  HMODULE chart_ = nullptr;
  void(WINAPI* reset_)() = nullptr;
  void(WINAPI* push_)(const char*, std::int32_t) = nullptr;
  void(WINAPI* mask_)(std::uint32_t) = nullptr;
  std::int32_t(WINAPI* count_)() = nullptr;
  std::int32_t(WINAPI* callAt_)(std::int32_t, char*, std::int32_t) = nullptr;
};

class ChartDll : public ::testing::Test {
 protected:
  void SetUp() override { driver_.Fresh(); }
  DllDriver driver_;
};

TEST_F(ChartDll, EntryPointsAreFoundOnlyByDecoratedName) {
  HMODULE chart = GetModuleHandleA("chart.dll");
  ASSERT_NE(chart, nullptr);
  for (const std::string& name : kExports) {
    EXPECT_NE(GetProcAddress(chart, name.c_str()), nullptr) << name;
    const std::string plain = name.substr(1, name.find('@') - 1);
    EXPECT_EQ(GetProcAddress(chart, plain.c_str()), nullptr) << plain;
  }
}

TEST_F(ChartDll, RegistersTheCatalogueAndHandsOverItsTexts) {
  driver_.registerPlugIn(RecordAddAction, nullptr, nullptr, RecordSetVariable);
  ASSERT_EQ(Host().registrations.size(), 22U);
  EXPECT_EQ(Host().registrations[10].hint, "Draw the Chart\r\nae_Graph_Draw \"ID\"");
  EXPECT_EQ(Host().registrations[2].name,
            "\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5\x20\xF4\xF3\xED\xEA\xF6\xE8\xE8");

  char* title = static_cast<char*>(GlobalAlloc(GMEM_FIXED, 4));
  char* publisher = nullptr;
  char* hint = nullptr;
  driver_.initPlugIn(0, &title, &publisher, &hint);
  ASSERT_TRUE(title && publisher && hint);
  EXPECT_STREQ(title, "Vantiro 1.0.5");
  EXPECT_STREQ(publisher, "Quorvane");
  EXPECT_STREQ(hint, "RMChart MAnager");
  EXPECT_EQ(GlobalSize(title), 14U);
  for (char* block : {title, publisher, hint}) EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST_F(ChartDll, AnswersKnownActionIdsInTheLowByte) {
  const char* params[] = {"1"};
  for (const std::int32_t id : {0, 18, -1, 256 + 6, 6, 17}) {
    const std::uint32_t known = id >= 1 && id <= 17 ? 1U : 0U;
    EXPECT_EQ(driver_.editAction(id, 0x12345678), known) << id;
    EXPECT_EQ(driver_.execAction(id, params), known) << id;
  }
}

TEST_F(ChartDll, DecodingTable) {
  for (const ActionCase& c : DecodingCases()) RunCase(driver_, c);
}

TEST_F(ChartDll, ResultTable) {
  for (const ActionCase& c : ResultCases()) RunCase(driver_, c);
}

// Without a display PrintDlgA fails at once: the cancel path. With one it
// would wait for a click, so the test refuses to run there.
TEST_F(ChartDll, PrintWithoutPrinterIsCanceled) {
  const char* display = std::getenv("DISPLAY");
  if (display != nullptr && *display != '\0') GTEST_SKIP() << "needs DISPLAY unset";
  const char* params[] = {"4"};
  EXPECT_EQ(driver_.Exec(12, params), 1U);
  EXPECT_TRUE(driver_.EngineCalls().empty());
  const std::vector<Variable> expected = {{"ae_Graph_Draw2PrinterStatus", "Canceled"}};
  EXPECT_EQ(Host().variables, expected);
}

}  // namespace
}  // namespace vantiro::plugin_tests
