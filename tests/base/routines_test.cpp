#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/VlrBase.h"
#include "base/VlrTableName.h"

namespace {

using namespace velar;

const char kNotSupported[] =
    "Function not supported by this version of the Database Interface library.";

// ------------------------------------------------------------ text building

class ConnectStringBuilding : public ::testing::Test {};

TEST_F(ConnectStringBuilding, ConcateFieldKeepsEmptySlots) {
  std::string s;
  VlrConcateField(s, ";", "x");
  EXPECT_EQ(s, "x");
  s = "a";
  VlrConcateField(s, ";", "");
  EXPECT_EQ(s, "a;");
  VlrConcateField(s, ";", "b");
  EXPECT_EQ(s, "a;;b");
}

TEST_F(ConnectStringBuilding, ConcateEmptyFieldLeavesNoStraySeparator) {
  std::string s;
  VlrConcateEmptyField(s, ";", "");
  EXPECT_EQ(s, "");
  VlrConcateEmptyField(s, ";", "eng=e");
  EXPECT_EQ(s, "eng=e");
  VlrConcateEmptyField(s, ";", "");
  EXPECT_EQ(s, "eng=e");
  VlrConcateEmptyField(s, ";", "uid=dba");
  EXPECT_EQ(s, "eng=e;uid=dba");
}

class FieldListParsing : public ::testing::Test {};

TEST_F(FieldListParsing, WalksTheListTrimmingBlanks) {
  const std::string list = "A ; B";
  int pos = 1;
  EXPECT_EQ(VlrExtractFieldName(list, pos), "A");
  EXPECT_EQ(pos, 4);
  EXPECT_EQ(VlrExtractFieldName(list, pos), "B");
  EXPECT_EQ(pos, 6);
}

TEST_F(FieldListParsing, EmptyItemsAndTrailingSeparator) {
  const std::string list = "A;;B;";
  int pos = 1;
  std::string names;
  while (pos <= static_cast<int>(list.size()))
    names += "[" + VlrExtractFieldName(list, pos) + "]";
  EXPECT_EQ(names, "[A][][B]");
  EXPECT_EQ(pos, 6);
}

TEST_F(FieldListParsing, PositionsOutsideTheListAreSafe) {
  int pos = 0;
  EXPECT_EQ(VlrExtractFieldName("A;B", pos), "A");
  EXPECT_EQ(pos, 3);
  pos = -5;
  EXPECT_EQ(VlrExtractFieldName("A;B", pos), "A");
  pos = 9;
  EXPECT_EQ(VlrExtractFieldName("A;B", pos), "");
  EXPECT_EQ(pos, 9);
  pos = 1;
  EXPECT_EQ(VlrExtractFieldName("", pos), "");
}

class FilePrefix : public ::testing::Test {};

TEST_F(FilePrefix, DropsTheExtensionOnly) {
  EXPECT_EQ(VlrExtractFilePrefix("C:\\dir.x\\file.db"), "C:\\dir.x\\file");
  EXPECT_EQ(VlrExtractFilePrefix("C:\\dir.x\\file"), "C:\\dir.x\\file");
  EXPECT_EQ(VlrExtractFilePrefix("/home/u/db.d/file.db"), "/home/u/db.d/file");
  EXPECT_EQ(VlrExtractFilePrefix("/home/u/db.d/file"), "/home/u/db.d/file");
  EXPECT_EQ(VlrExtractFilePrefix("a.b.c"), "a.b");
  EXPECT_EQ(VlrExtractFilePrefix("x.:y"), "x.:y");
  EXPECT_EQ(VlrExtractFilePrefix("name."), "name");
  EXPECT_EQ(VlrExtractFilePrefix(""), "");
}

// ------------------------------------------------------------ memory blocks

class MemoryBlocks : public ::testing::Test {};

TEST_F(MemoryBlocks, DisposeMemFreesAndClearsOnce) {
  auto* block = static_cast<std::uint8_t*>(VlrAllocMem(16));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(block[i], 0);
  VlrDisposeMem(block, 16);
  EXPECT_EQ(block, nullptr);
  VlrDisposeMem(block, 16);  // a second release is harmless
  EXPECT_EQ(VlrAllocMem(0), nullptr);
}

// ------------------------------------------------------------ entry points

int EntryPointFound(int value, const char*) {
  return value * 2;
}

class EntryPointBinding : public ::testing::Test {
 protected:
  using TProc = int (*)(int, const char*);
};

TEST_F(EntryPointBinding, FoundAddressWins) {
  TProc proc = nullptr;
  VlrInternalAssignProcAddress(proc, reinterpret_cast<void*>(&EntryPointFound),
                               VlrDummyProcFor<TProc>);
  ASSERT_NE(proc, nullptr);
  EXPECT_EQ(proc(21, ""), 42);
}

TEST_F(EntryPointBinding, MissingEntryRaisesTheLibraryTooOldText) {
  TProc proc = nullptr;
  VlrInternalAssignProcAddress(proc, nullptr, VlrDummyProcFor<TProc>);
  ASSERT_NE(proc, nullptr);
  try {
    proc(1, "x");
    FAIL() << "the fallback returned";
  } catch (const host::Exception& error) {  // callers may catch only the framework's base
    EXPECT_NE(dynamic_cast<const EVelarException*>(&error), nullptr);
    EXPECT_EQ(error.Message, kNotSupported);
  }
  EXPECT_THROW(VlrDummyProc(), EVelarException);
}

TEST_F(EntryPointBinding, QuietAndOptionalFallbacks) {
  TProc proc = nullptr;
  VlrInternalAssignProcAddress(proc, nullptr, VlrDummyProcNoExceptFor<TProc>);
  EXPECT_EQ(proc(7, "x"), 0);
  using TPointerProc = const char* (*)(void*);
  TPointerProc pointerProc = nullptr;
  VlrInternalAssignProcAddress(pointerProc, nullptr, VlrDummyProcNoExceptFor<TPointerProc>);
  EXPECT_EQ(pointerProc(nullptr), nullptr);
  EXPECT_EQ(VlrDummyProcNoExcept(), 0);

  TProc optional = &EntryPointFound;
  VlrInternalAssignProcAddress(optional, nullptr, nullptr);
  EXPECT_EQ(optional, nullptr);
}

// ---------------------------------------------------------------- table name

class TableNameExtraction : public ::testing::Test {};

TEST_F(TableNameExtraction, TakesTheWordAfterFrom) {
  EXPECT_EQ(ExtractTableName("select * from Customer c where c.id = 1"), "Customer");
  EXPECT_EQ(ExtractTableName("SELECT a FROM dba.Orders"), "dba.Orders");
  EXPECT_EQ(ExtractTableName("select * from First,Second"), "First");
  EXPECT_EQ(ExtractTableName("select * From T"), "T");
  EXPECT_EQ(ExtractTableName("select x from A from B"), "A");
}

TEST_F(TableNameExtraction, MissingOrUnreachableName) {
  EXPECT_EQ(ExtractTableName("update T set a = 1"), "");
  EXPECT_EQ(ExtractTableName("select * from  T"), "");
  EXPECT_EQ(ExtractTableName("select * from\r\nT"), "");
  EXPECT_EQ(ExtractTableName("select *\nfrom\nT\nwhere 1 = 1"), "T");
  EXPECT_EQ(ExtractTableName("select * fromage T"), "");
}

}  // namespace
