// Loads an engine DLL the way the plug-in does and checks its export table:
// exactly the sixteen plain names (and the test hosts' layout report
// switch), each a stdcall function whose argument size matches what the
// plug-in's import library declares.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "abi/rmchart.h"

namespace {

// The DLL under test, relative to the folder of this program.
std::string DllPath() {
  char exe[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe, n);
  return path.substr(0, path.find_last_of("\\/") + 1) + VANTIRO_ENGINE_DLL;
}

class EngineDllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(module_, nullptr) << DllPath();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  template <class Function>
  Function* Get(const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

  HMODULE module_ = nullptr;
};

TEST_F(EngineDllTest, ExportsExactlyTheSixteenPlainNames) {
  const auto* base = reinterpret_cast<const unsigned char*>(module_);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "rmchart.dll");
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::set<std::string> found;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    found.insert(reinterpret_cast<const char*>(base + names[i]));
  }
  const std::set<std::string> expected = {"RGB2ARGB",
                                          "RMC_ADDBARSERIES",
                                          "RMC_ADDCAPTION",
                                          "RMC_ADDDATAAXIS",
                                          "RMC_ADDGRID",
                                          "RMC_ADDGRIDLESSSERIES",
                                          "RMC_ADDLABELAXIS",
                                          "RMC_ADDLEGEND",
                                          "RMC_ADDREGION",
                                          "RMC_CREATECHART",
                                          "RMC_CREATECHARTFROMFILE",
                                          "RMC_DELETECHART",
                                          "RMC_DRAW",
                                          "RMC_DRAW2FILE",
                                          "RMC_DRAW2PRINTER",
                                          "RMC_WRITERMCFILE",
                                          "VantiroEngine_SetLayoutReport",
                                          "VantiroEngine_SetSnapshots",
                                          "VantiroEngine_TakeLastFailure"};
  EXPECT_EQ(found, expected);
  EXPECT_EQ(GetProcAddress(module_, "RMC_DRAW@4"), nullptr);
  EXPECT_EQ(GetProcAddress(module_, "_RMC_DRAW@4"), nullptr);
}

// Calls through the exported names. A wrong stdcall argument size would
// leave the stack unbalanced and the calls that follow would fail.
TEST_F(EngineDllTest, CallsThroughTheExportsKeepTheStackBalanced) {
  auto* rgb = Get<decltype(RGB2ARGB)>("RGB2ARGB");
  auto* create = Get<decltype(RMC_CREATECHART)>("RMC_CREATECHART");
  auto* region = Get<decltype(RMC_ADDREGION)>("RMC_ADDREGION");
  auto* axis = Get<decltype(RMC_ADDDATAAXIS)>("RMC_ADDDATAAXIS");
  auto* bars = Get<decltype(RMC_ADDBARSERIES)>("RMC_ADDBARSERIES");
  auto* remove = Get<decltype(RMC_DELETECHART)>("RMC_DELETECHART");
  ASSERT_TRUE(rgb && create && region && axis && bars && remove);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(rgb(0x00332211, 0), 0xFF112233u);
    EXPECT_EQ(create(0, 7, 0, 0, 200, 100, 0xFFFFFFFF, 0, 1, "", "", 0, 0), 0);
    EXPECT_EQ(region(7, 0, 0, 0, 0, "r", 0), 0);
    std::int32_t align = 1;
    EXPECT_EQ(axis(7, 1, 0, 0.0, 10.0, 5, 9, 0, 0, 0, 0, "", "", "", &align), 0);
    const double values[] = {1, 2};
    EXPECT_EQ(bars(7, 1, values, 2, 0, 0, 0, 0, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(axis(7, 9, 0, 0.0, 10.0, 5, 9, 0, 0, 0, 0, "", "", "", &align), -2);
    EXPECT_EQ(remove(7), 0);
    EXPECT_EQ(remove(7), -6);
  }
  auto* take = Get<decltype(VantiroEngine_TakeLastFailure)>("VantiroEngine_TakeLastFailure");
  auto* snapshots = Get<decltype(VantiroEngine_SetSnapshots)>("VantiroEngine_SetSnapshots");
  ASSERT_TRUE(take && snapshots);
  for (int round = 0; round < 3; ++round) {
    snapshots(nullptr, nullptr);
    EXPECT_EQ(create(0, 7, 0, 0, 99999, 100, 0xFFFFFFFF, 0, 1, "", "", 0, 0), -11);
    EXPECT_STRNE(take(), "");
    EXPECT_STREQ(take(), "");
  }
}

}  // namespace
