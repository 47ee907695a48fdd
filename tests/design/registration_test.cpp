// The driver's registration: the palette page, the editors attached to the
// session's properties and its About editor.
#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "asa/VlrAsa.h"
#include "asa/dataset/VlrAsaDS.h"
#include "asa/design/VlrAsaEd.h"
#include "base/design/VlrProps.h"
#include "host/design.h"
#include "host/graphics.h"
#include "host/sysutils.h"
#include "tests/design/design_fixture.h"

namespace design_test {
namespace {

using velar::TAsaSession;

// A component of another class with a property named like the session's.
class TOtherComponent : public host::TComponent {
 public:
  using host::TComponent::TComponent;
  static const host::TPropertyTable& Properties() {
    static const host::TPropertyTable table(
        host::TComponent::Properties(),
        {host::StringProp("LibraryFile", &TOtherComponent::LibraryFile,
                          &TOtherComponent::LibraryFile)});
    return table;
  }
  std::string LibraryFile;
};

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    host::InstallDesignUnits();
    host::RegisterClass<TOtherComponent>();
  }
  template <class E>
  static bool EditorIs(host::TPersistent* Instance, const char* Property) {
    const host::TPropInfo& prop = *host::FindClassOf(Instance)->Properties().Find(Property);
    auto editor = host::GetPropertyEditor(nullptr, Instance, prop);
    return dynamic_cast<E*>(editor.get()) != nullptr;
  }
};

TEST_F(Registration, TheUnitsRunInPackageOrderAndFillThePalettePage) {
  std::vector<std::string> units = host::InstalledDesignUnits();
  auto asa = std::find(units.begin(), units.end(), "VlrAsa");
  auto dataset = std::find(units.begin(), units.end(), "VlrAsaDS");
  auto editors = std::find(units.begin(), units.end(), "VlrAsaEd");
  ASSERT_NE(editors, units.end());
  EXPECT_LT(asa, dataset);
  EXPECT_LT(dataset, editors);
  std::vector<std::string> page;
  for (const host::TClassInfo* info : host::PaletteClasses("VelarDB")) {
    page.push_back(info->ClassName());
    EXPECT_TRUE(info->CanCreate()) << info->ClassName();
  }
  EXPECT_EQ(page, (std::vector<std::string>{"TAsaSession", "TAsaSQL", "TAsaDataset"}));
}

// Each class on the page has its palette image: a bitmap resource named
// after the class in capitals, 24 x 24 pixels stored with four bits per
// pixel, drawn on the silver background.
TEST_F(Registration, EachClassOnThePageHasItsPaletteImage) {
  for (const host::TClassInfo* info : host::PaletteClasses("VelarDB")) {
    const std::string name = host::UpperCase(info->ClassName());
    SCOPED_TRACE(name);
    ASSERT_TRUE(host::BitmapResourceExists(name));
    host::TBitmap image;
    host::LoadBitmapResource(image, name);
    EXPECT_EQ(image.Width(), 24);
    EXPECT_EQ(image.Height(), 24);
    EXPECT_EQ(image.PixelFormat(), host::pf4bit) << "sixteen colours";
    EXPECT_EQ(image.Pixel(0, 23), host::StandardColor(7));
    std::set<host::TColor> colours;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x)
        colours.insert(image.Pixel(x, y));
    EXPECT_GE(colours.size(), 3u) << "a picture, not a blank";
  }
}

// Every TAsaParams property, whatever its component or name, opens the
// parameter dialog; nothing else does.
TEST_F(Registration, EveryParamsCollectionGetsTheParameterEditor) {
  velar::TAsaDataset dataset(nullptr);
  EXPECT_TRUE(EditorIs<velar::TVelarParamsProperty>(&dataset, "Params"));
  EXPECT_FALSE(EditorIs<velar::TVelarParamsProperty>(&dataset, "SQL"));
  EXPECT_TRUE(EditorIs<host::TStringListProperty>(&dataset, "SQL"));
}

TEST_F(Registration, TheSessionsFileAndDirectoryPropertiesGetTheBaseEditors) {
  TAsaSession session(nullptr);
  EXPECT_TRUE(EditorIs<velar::TVelarLibFileProperty>(&session, "LibraryFile"));
  EXPECT_TRUE(EditorIs<velar::TVelarPathProperty>(&session, "LibraryPath"));
  EXPECT_TRUE(EditorIs<velar::TVelarDBFileProperty>(&session, "LoginDatabase"));
  EXPECT_FALSE(EditorIs<velar::TVelarLibFileProperty>(&session, "LoginUser"));
  EXPECT_TRUE(EditorIs<host::TStringProperty>(&session, "LoginUser"));
  TOtherComponent other(nullptr);
  EXPECT_FALSE(EditorIs<velar::TVelarLibFileProperty>(&other, "LibraryFile"))
      << "the editors are the session's only";
}

TEST_F(Registration, TheSessionsContextMenuIsTheAboutVerb) {
  TAsaSession session(nullptr);
  auto editor = host::GetComponentEditor(&session, nullptr);
  EXPECT_NE(dynamic_cast<velar::TVelarAsaAboutComponentEditor*>(editor.get()), nullptr);
  EXPECT_EQ(editor->GetVerb(0), "Abo&ut VelarDB 1.83");
  TOtherComponent other(nullptr);
  EXPECT_EQ(host::GetComponentEditor(&other, nullptr)->GetVerbCount(), 0);
}

}  // namespace
}  // namespace design_test
