#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/exceptions.h"
#include "host/formfile.h"
#include "host/stream.h"
#include "tests/host/formfile_fixture.h"

namespace {

using formtest::Log;
using formtest::TGadget;
using formtest::TTestForm;

TGadget* GadgetOf(host::TComponent* Owner, const char* Name) {
  return dynamic_cast<TGadget*>(Owner->FindComponent(Name));
}

// Whether any component of the tree is still marked as being read.
bool AnyReadingFlags(host::TComponent* Component) {
  auto state = Component->ComponentState();
  if (state.Contains(host::csReading) || state.Contains(host::csLoading)) return true;
  for (int i = 0; i < Component->ComponentCount(); ++i)
    if (AnyReadingFlags(Component->Components(i))) return true;
  return false;
}

class FormFileRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    Log().clear();
  }
};

TEST_F(FormFileRoundTrip, ATreeWithEveryPropertyKindReadsBackToTheSameFile) {
  std::unique_ptr<TTestForm> sample(formtest::BuildSampleForm());
  std::string written = host::WriteComponentText(sample.get());
  std::unique_ptr<host::TComponent> read(host::CreateComponentFromText(written));
  EXPECT_EQ(host::WriteComponentText(read.get()), written);

  auto* form = dynamic_cast<TTestForm*>(read.get());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Name(), "MainForm");
  EXPECT_EQ(form->Title, "Orders 'east'");
  TGadget* first = GadgetOf(form, "First");
  TGadget* panel = GadgetOf(form, "Panel");
  TGadget* last = GadgetOf(form, "Last");
  ASSERT_TRUE(first && panel && last);
  TGadget* inner = GadgetOf(panel, "Inner");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(first->Count(), -42);
  EXPECT_EQ(first->Caption, "First\tgadget\r\n\xE9t\xE9");
  EXPECT_EQ(first->Shade, formtest::shDark);
  EXPECT_FALSE(first->Visible);
  EXPECT_EQ(first->Lines()->Text(), "select *\nfrom t where a = ':a'\n");
  EXPECT_EQ(first->Options()->Level, 3);
  EXPECT_EQ(first->Options()->Label, "deep");
  EXPECT_EQ(first->Options()->Codes, formtest::SampleCodes(20));
  EXPECT_EQ(last->Options()->Codes, formtest::SampleCodes(1));
  EXPECT_TRUE(panel->Options()->Codes.empty());
  EXPECT_TRUE(inner->Active());
}

TEST_F(FormFileRoundTrip, ReferencesResolveForwardToTheRootAndIntoNestedComponents) {
  std::unique_ptr<TTestForm> sample(formtest::BuildSampleForm());
  std::unique_ptr<host::TComponent> form(
      host::CreateComponentFromText(host::WriteComponentText(sample.get())));
  TGadget* first = GadgetOf(form.get(), "First");
  TGadget* panel = GadgetOf(form.get(), "Panel");
  TGadget* last = GadgetOf(form.get(), "Last");
  TGadget* inner = GadgetOf(panel, "Inner");
  EXPECT_EQ(first->Buddy(), last);
  EXPECT_EQ(panel->Partner(), form.get());
  EXPECT_EQ(inner->Buddy(), first);
  EXPECT_EQ(last->Partner(), inner);
}

TEST_F(FormFileRoundTrip, EventsAreBoundToTheNewRootsHandlers) {
  std::unique_ptr<TTestForm> sample(formtest::BuildSampleForm());
  std::unique_ptr<host::TComponent> read(
      host::CreateComponentFromText(host::WriteComponentText(sample.get())));
  auto* form = static_cast<TTestForm*>(read.get());
  TGadget* first = GadgetOf(form, "First");
  ASSERT_TRUE(first->OnChange && first->OnCount && form->OnShow);
  first->OnChange(first);
  first->OnCount(first, 4);
  form->OnShow(form);
  EXPECT_EQ(form->changedCalls, 1);
  EXPECT_EQ(form->countedTotal, 4);
  EXPECT_EQ(form->shownCalls, 1);
  EXPECT_EQ(form->lastSender, first);
  EXPECT_EQ(sample->changedCalls + sample->countedTotal + sample->shownCalls, 0);
}

TEST_F(FormFileRoundTrip, StreamsAndFilesCarryTheSameText) {
  std::unique_ptr<TTestForm> sample(formtest::BuildSampleForm());
  std::string written = host::WriteComponentText(sample.get());
  std::string file = ::testing::TempDir() + "formfile_reader_test.vfm";
  host::SaveComponentToFile(sample.get(), file);
  std::unique_ptr<host::TComponent> fromFile(host::CreateComponentFromFile(file));
  EXPECT_EQ(host::WriteComponentText(fromFile.get()), written);

  TTestForm existing(nullptr);
  host::LoadComponentFromFile(&existing, file);
  EXPECT_EQ(host::WriteComponentText(&existing), written);
  std::remove(file.c_str());

  host::TStringStream stream(written);
  std::unique_ptr<host::TComponent> fromStream(host::CreateComponentFromStream(&stream));
  EXPECT_EQ(host::WriteComponentText(fromStream.get()), written);
}

TEST_F(FormFileRoundTrip, TheReaderAcceptsTheTextFormsItDoesNotWrite) {
  std::unique_ptr<host::TComponent> form(
      host::CreateComponentFromText("OBJECT Form1 : TTestForm\r\n"
                                    "  object G: tgadget\r"
                                    "    caption = 'ab' + 'c'#$41#66\n"
                                    "    Options.Codes = { 01000000\n  ff 00 00 00 }\n"
                                    "    Lines.Strings = ( 'x' 'y''z' )\n"
                                    "    Shade = SHLIGHT  Buddy = nil\n"
                                    "  END\n"
                                    "end"));
  TGadget* gadget = GadgetOf(form.get(), "G");
  ASSERT_NE(gadget, nullptr);
  EXPECT_EQ(gadget->Caption, "abcAB");
  EXPECT_EQ(gadget->Options()->Codes, std::vector<std::uint32_t>{0xFF});
  EXPECT_EQ(gadget->Lines()->Text(), "x\ny'z");
  EXPECT_EQ(gadget->Shade, formtest::shLight);
}

// The reading life cycle: states while reading, the deferred values, the
// order of Loaded, loading into a root that exists.
class FormFileLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    Log().clear();
  }
  static std::vector<std::string> Entries(const std::string& Prefix) {
    std::vector<std::string> found;
    for (const std::string& entry : Log())
      if (entry.rfind(Prefix, 0) == 0) found.push_back(entry);
    return found;
  }
};

TEST_F(FormFileLoading, PropertiesAreSetWhileReadingAndLoadedRunsOwnersFirst) {
  std::unique_ptr<TTestForm> sample(formtest::BuildSampleForm());
  std::string text = host::WriteComponentText(sample.get());
  Log().clear();
  std::unique_ptr<host::TComponent> form(host::CreateComponentFromText(text));
  EXPECT_EQ(Entries("Loaded:"),
            (std::vector<std::string>{"Loaded:MainForm", "Loaded:First", "Loaded:Panel",
                                      "Loaded:Inner", "Loaded:Last"}));
  // Every property set by the reader ran in csReading and csLoading, and
  // before any Loaded; references were set after all other properties.
  auto sets = Entries("Set:");
  ASSERT_FALSE(sets.empty());
  for (const std::string& entry : sets)
    EXPECT_EQ(entry.substr(entry.size() - 3), ":RL") << entry;
  EXPECT_EQ(Log().front().rfind("Set:", 0), 0u);
  EXPECT_EQ(sets.back(), "Set:Inner.Buddy:RL");
  EXPECT_FALSE(AnyReadingFlags(form.get()));
}

TEST_F(FormFileLoading, AValueDeferredWhileReadingIsAppliedInLoaded) {
  std::unique_ptr<host::TComponent> form(host::CreateComponentFromText(
      "object F: TTestForm\n object G: TGadget\n  Active = True\n end\nend\n"));
  EXPECT_EQ(Entries("Set:G.Active"), std::vector<std::string>{"Set:G.Active:RL"});
  EXPECT_TRUE(GadgetOf(form.get(), "G")->Active());
}

TEST_F(FormFileLoading, ReadingIntoAnExistingRootReusesItsNamedComponents) {
  TTestForm form(nullptr);
  TGadget* existing = new TGadget(&form);
  existing->SetName("Keep");
  existing->Caption = "before";
  host::ReadComponentText(&form,
                          "object Loaded1: TTestForm\n"
                          "  Title = 'read'\n"
                          "  object Keep: TGadget\n    Caption = 'after'\n  end\n"
                          "  object Added: TGadget\n    Buddy = Keep\n  end\n"
                          "end\n");
  EXPECT_EQ(form.Name(), "Loaded1");  // an unnamed root takes the file's name
  EXPECT_EQ(form.Title, "read");
  ASSERT_EQ(form.ComponentCount(), 2);
  EXPECT_EQ(form.Components(0), existing);
  EXPECT_EQ(existing->Caption, "after");
  EXPECT_EQ(GadgetOf(&form, "Added")->Buddy(), existing);
  EXPECT_EQ(Entries("Loaded:"),
            (std::vector<std::string>{"Loaded:Loaded1", "Loaded:Keep", "Loaded:Added"}));

  form.SetName("Renamed");
  host::ReadComponentText(&form, "object Other: TTestForm\nend\n");
  EXPECT_EQ(form.Name(), "Renamed");  // a named root keeps its name
}

TEST_F(FormFileLoading, AFailingLoadedStillLetsEveryComponentLoad) {
  const char* text =
      "object F: TTestForm\n"
      "  object A: TGadget\n    Tag = -1\n  end\n"
      "  object B: TGadget\n  end\n"
      "end\n";
  TTestForm form(nullptr);
  EXPECT_THROW(host::ReadComponentText(&form, text), host::EInvalidOperation);
  EXPECT_EQ(Entries("Loaded:"), (std::vector<std::string>{"Loaded:F", "Loaded:A", "Loaded:B"}));
  EXPECT_FALSE(AnyReadingFlags(&form));
  EXPECT_EQ(form.ComponentCount(), 2);  // fully read: the components stay

  // A root made from the file is freed with everything in it (the leak
  // checker watches this).
  EXPECT_THROW(host::CreateComponentFromText(text), host::EInvalidOperation);
}

// Every error in a file names its line and what was wrong.
struct BadFile {
  const char* what;
  std::string text;
  int line;
  const char* message;
};

// Test names show the case, not the bytes of the struct.
void PrintTo(const BadFile& Bad, std::ostream* Out) {
  *Out << Bad.what;
}

std::string WithLine(int LineNumber, const std::string& Replacement) {
  std::vector<std::string> lines = {
      "object Form1: TTestForm",  // 1
      "  object A: TGadget",      // 2
      "    Caption = 'a'",        // 3
      "    Buddy = B",            // 4
      "  end",                    // 5
      "  object B: TGadget",      // 6
      "    Count = 1",            // 7
      "  end",                    // 8
      "end",                      // 9
  };
  lines[static_cast<std::size_t>(LineNumber - 1)] = Replacement;
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

class FormFileErrors : public ::testing::TestWithParam<BadFile> {
 protected:
  void SetUp() override { formtest::RegisterTestClasses(); }
};

TEST_P(FormFileErrors, NameTheLineAndTheFault) {
  const BadFile& bad = GetParam();
  try {
    std::unique_ptr<host::TComponent> form(host::CreateComponentFromText(bad.text));
    FAIL() << "read without error";
  } catch (const host::EFormReadError& e) {
    EXPECT_EQ(e.Line, bad.line);
    EXPECT_EQ(e.Message, "Line " + std::to_string(bad.line) + ": " + bad.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormFileErrors,
    ::testing::Values(
        BadFile{"UnknownClass", WithLine(6, "  object B: TWidget"), 6, "Class TWidget not found"},
        BadFile{"UnknownRootClass", WithLine(1, "object Form1: TNothing"), 1,
                "Class TNothing not found"},
        BadFile{"UnknownProperty", WithLine(7, "    Colour = 1"), 7,
                "property Colour does not exist"},
        BadFile{"BadBoolean", WithLine(7, "    Visible = Maybe"), 7,
                "'Maybe' is not a Boolean value for Visible"},
        BadFile{"IntegerOutOfRange", WithLine(7, "    Count = 2147483648"), 7,
                "error setting Count: 2147483648 is out of range for property Count "
                "(-2147483648..2147483647)"},
        BadFile{"IntegerTooLarge", WithLine(7, "    Count = 99999999999999999999"), 7,
                "the number 99999999999999999999 is too large"},
        BadFile{"StringForInteger", WithLine(7, "    Count = '1'"), 7,
                "invalid value for property Count: a number expected, not a string"},
        BadFile{"BadEnum", WithLine(7, "    Shade = shPink"), 7,
                "'shPink' is not a value of TShade for Shade"},
        BadFile{"UnresolvedReference", WithLine(4, "    Buddy = C"), 4,
                "unresolved reference to C in property Buddy"},
        BadFile{"ReferenceOfAnotherClass", WithLine(4, "    Buddy = Form1"), 4,
                "Form1 is a TTestForm; property Buddy needs a TGadget"},
        BadFile{"UnclosedBinary", WithLine(9, "    Options.Codes = {0100"), 9,
                "binary value not closed by '}' before the end of the file"},
        BadFile{"OddBinary", WithLine(7, "    Options.Codes = {010}"), 7,
                "binary value has an odd number of hex digits"},
        BadFile{"BadBinaryDigit", WithLine(7, "    Options.Codes = {01G0}"), 7,
                "invalid character 'G' in binary value"},
        BadFile{"ShortBinary", WithLine(7, "    Options.Codes = {02000000}"), 7,
                "error reading Options.Codes: Stream read error"},
        BadFile{"BinaryForString", WithLine(3, "    Caption = {00}"), 3,
                "invalid value for property Caption: a string expected, not a binary value"},
        BadFile{"StringForBinary", WithLine(7, "    Options.Codes = 'x'"), 7,
                "property Options.Codes takes a binary value, not a string"},
        BadFile{"UnclosedString", WithLine(3, "    Caption = 'a"), 3,
                "string not closed before the end of the line"},
        BadFile{"MissingEnd", WithLine(9, ""), 10,
                "end of file inside object Form1 begun at line 1"},
        BadFile{"TextAfterTheRoot", WithLine(9, "end end"), 9,
                "text after the end of the root object"},
        BadFile{"DuplicateComponent", WithLine(6, "  object A: TGadget"), 6,
                "a component named A appears twice"},
        BadFile{"InvalidComponentName", WithLine(6, "  object 1B: TGadget"), 6,
                "invalid number 1B"},
        BadFile{"UnknownHandler", WithLine(7, "    OnChange = Nope"), 7,
                "TTestForm has no handler named Nope for OnChange"},
        BadFile{"HandlerOfAnotherSignature", WithLine(7, "    OnChange = GadgetCounted"), 7,
                "handler GadgetCounted does not fit event OnChange"},
        BadFile{"ListWithoutStrings", WithLine(7, "    Lines = ('a')"), 7,
                "the lines of Lines are written as Lines.Strings = (...)"},
        BadFile{"ValueForSubObject", WithLine(7, "    Options = 1"), 7,
                "property Options is an object; its properties are written as Options.Name"},
        BadFile{"PathThroughAValue", WithLine(7, "    Caption.Text = 'x'"), 7,
                "property Caption does not exist or has no properties (in Caption.Text)"},
        BadFile{"UnexpectedCharacter", WithLine(7, "    Count = @"), 7, "unexpected character '@'"},
        BadFile{"ControlCharacter", WithLine(7, std::string("    Count \x01= 1")), 7,
                "unexpected character #1"},
        BadFile{"MissingEquals", WithLine(7, "    Count 1"), 7, "expected '=' after Count"},
        BadFile{"MissingValue", WithLine(7, "    Count = )"), 7, "expected a value for Count"},
        BadFile{"UnclosedList", WithLine(9, "    Lines.Strings = ('a'"), 10,
                "end of file inside the list begun at line 9"},
        BadFile{"CharacterCodeTooLarge", WithLine(3, "    Caption = #1114112"), 3,
                "character code out of range (0..1114111)"},
        BadFile{"InheritedWithoutAncestor", WithLine(6, "  inherited B: TGadget"), 6,
                "inherited component B does not exist"},
        BadFile{"EmptyFile", "", 1, "a form file begins with 'object'"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.what); });

class FormFileFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    Log().clear();
  }
};

TEST_F(FormFileFailure, AnExistingRootKeepsNoComponentOfTheFailedRead) {
  TTestForm form(nullptr);
  form.SetName("Form1");
  TGadget* keep = new TGadget(&form);
  keep->SetName("Keep");
  keep->Caption = "before";
  const char* text =
      "object Form1: TTestForm\n"
      "  object Keep: TGadget\n"
      "    Caption = 'after'\n"
      "    Buddy = Fresh\n"  // resolved first: Keep points at Fresh
      "  end\n"
      "  object Fresh: TGadget\n"
      "    object Nested: TGadget\n    end\n"
      "    Buddy = Missing\n"  // then this fails
      "  end\n"
      "end\n";
  EXPECT_THROW(host::ReadComponentText(&form, text), host::EReadError);
  ASSERT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), keep);
  EXPECT_EQ(keep->Buddy(), nullptr);  // the reference went with Fresh
  EXPECT_EQ(keep->Caption, "after");  // values set before the error stay
  EXPECT_FALSE(AnyReadingFlags(&form));
  for (const std::string& entry : Log())
    EXPECT_NE(entry.rfind("Loaded:", 0), 0u) << entry;

  // The root is as usable as before: the same file without the fault reads.
  std::string fixed = text;
  fixed.replace(fixed.find("Missing"), 7, "Keep");
  host::ReadComponentText(&form, fixed);
  EXPECT_EQ(form.ComponentCount(), 2);
  EXPECT_EQ(keep->Buddy(), GadgetOf(&form, "Fresh"));
}

TEST_F(FormFileFailure, AnUnnamedRootKeepsNoNameFromAFailedRead) {
  TTestForm form(nullptr);
  try {
    host::ReadComponentText(&form, "object X: TGadget\n  Caption = 'x'\nend\n");
    FAIL() << "read without error";
  } catch (const host::EFormReadError& e) {
    EXPECT_EQ(e.Message, "Line 1: the file holds a TGadget, not a TTestForm");
  }
  EXPECT_THROW(host::ReadComponentText(&form, "object Named: TTestForm\n  Colour = 1\nend\n"),
               host::EReadError);
  EXPECT_EQ(form.Name(), "");
}

TEST_F(FormFileFailure, ARootThatCannotTakeItsNameIsFreed) {
  TTestForm owner(nullptr);
  auto* taken = new TGadget(&owner);
  taken->SetName("Child");
  try {
    host::CreateComponentFromText("object Child: TTestForm\nend\n", &owner);
    FAIL() << "read without error";
  } catch (const host::EFormReadError& e) {
    EXPECT_EQ(e.Line, 1);
    EXPECT_NE(e.Message.find("already exists"), std::string::npos) << e.Message;
  }
  EXPECT_EQ(owner.ComponentCount(), 1);
}

}  // namespace
