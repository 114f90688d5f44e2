#include "platform/dynlib.h"

#include <gtest/gtest.h>

namespace vx::platform {
namespace {

class DynlibTest : public testing::Test {
 protected:
  void TearDown() override { reset_dynlib(); }
};

TEST_F(DynlibTest, BuiltinNamesResolveWhateverTheirDirectoryAndCase) {
  struct Case {
    const char* file_name;
    const char* entry;
  };
  const Case cases[] = {
      {"VXUSBV1.dll", "FT_ListDevices"},
      {"/opt/velmorix/vxusbv1.DLL", "FT_OpenEx"},
      {"C:\\Program\\VXUSBMGR.DLL", "WDU_Init"},
      {"WDAPI900.DLL", "WDU_Transfer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file_name);
    const LibraryHandle library = load_library(c.file_name);
    ASSERT_NE(library, 0u);
    EXPECT_NE(library_entry(library, c.entry), nullptr);
    EXPECT_EQ(library_entry(library, "NoSuchEntry"), nullptr);
    free_library(library);
    EXPECT_EQ(library_entry(library, c.entry), nullptr);
  }
}

TEST_F(DynlibTest, EveryEntryTheBindingsNeedIsExported) {
  const LibraryHandle ftdi = load_library("VXUSBV1.dll");
  for (const char* name : {"FT_Open", "FT_OpenEx", "FT_Close", "FT_Read", "FT_Write", "FT_SetBaudRate",
                           "FT_SetDataCharacteristics", "FT_SetFlowControl", "FT_ResetDevice", "FT_SetDtr",
                           "FT_ClrDtr", "FT_SetRts", "FT_ClrRts", "FT_GetModemStatus", "FT_SetChars", "FT_Purge",
                           "FT_SetTimeouts", "FT_GetQueueStatus", "FT_ListDevices", "FT_EE_UARead", "FT_EE_UAWrite",
                           "FT_EE_Program", "FT_EE_Read", "FT_SetLatencyTimer"}) {
    EXPECT_NE(library_entry(ftdi, name), nullptr) << name;
  }
  const LibraryHandle wdusb = load_library("VXUSBMGR.DLL");
  for (const char* name :
       {"Stat2Str", "EventRegister", "EventUnregister", "EventAlloc", "EventFree", "EventDup", "WDU_Init",
        "WDU_Uninit", "WDU_GetDeviceInfo", "WDU_SetInterface", "WDU_ResetPipe", "WDU_ResetDevice", "WDU_Wakeup",
        "WDU_Transfer", "WDU_HaltTransfer", "WDU_TransferDefaultPipe", "WDU_TransferBulk", "WDU_TransferIsoch",
        "WDU_TransferInterrupt", "ThreadStart", "ThreadWait", "ThreadStop", "OsEventCreate", "OsEventClose",
        "OsEventWait", "OsEventSignal", "FreeDllPtr"}) {
    EXPECT_NE(library_entry(wdusb, name), nullptr) << name;
  }
}

TEST_F(DynlibTest, HiddenLibrariesAndEntriesAreMissingUntilReset) {
  hide_builtin_library("WDAPI900.DLL");
  hide_builtin_entry("vxusbv1.dll", "FT_Purge");
  EXPECT_EQ(load_library("/any/where/wdapi900.dll"), 0u);
  EXPECT_NE(load_library("VXUSBMGR.DLL"), 0u);
  const LibraryHandle ftdi = load_library("VXUSBV1.dll");
  EXPECT_EQ(library_entry(ftdi, "FT_Purge"), nullptr);
  EXPECT_NE(library_entry(ftdi, "FT_Close"), nullptr);
  reset_dynlib();
  EXPECT_NE(load_library("WDAPI900.DLL"), 0u);
  EXPECT_NE(library_entry(load_library("VXUSBV1.dll"), "FT_Purge"), nullptr);
}

TEST_F(DynlibTest, OtherNamesGoToTheSystemLoader) {
  const LibraryHandle math = load_library("libm.so.6");
  ASSERT_NE(math, 0u);
  auto* cosine = reinterpret_cast<double (*)(double)>(library_entry(math, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(library_entry(math, "no_such_symbol_here"), nullptr);
  free_library(math);
  EXPECT_EQ(load_library("/nonexistent/libnothing.so"), 0u);
  EXPECT_EQ(library_entry(12345, "cos"), nullptr);
}

void* one_entry_library(std::string_view entry) {
  static int exported = 0;
  return entry == "Entry" ? &exported : nullptr;
}

TEST_F(DynlibTest, RegisteredLibrariesResolveByFileNameUntilReset) {
  EXPECT_EQ(load_library("extra.dll"), 0u);
  register_builtin_library("Extra.DLL", one_entry_library);
  const LibraryHandle extra = load_library("C:\\somewhere\\EXTRA.dll");
  ASSERT_NE(extra, 0u);
  EXPECT_NE(library_entry(extra, "Entry"), nullptr);
  hide_builtin_entry("extra.dll", "Entry");
  EXPECT_EQ(library_entry(extra, "Entry"), nullptr);
  reset_dynlib();
  EXPECT_EQ(load_library("extra.dll"), 0u);
}

TEST_F(DynlibTest, UnregisteredLibraryIsGoneAgain) {
  register_builtin_library("extra.dll", one_entry_library);
  unregister_builtin_library("EXTRA.DLL");
  EXPECT_EQ(load_library("extra.dll"), 0u);
}

}  // namespace
}  // namespace vx::platform
