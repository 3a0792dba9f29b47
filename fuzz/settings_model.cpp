// Arbitrary bytes as the definition text a calibration file brings along: the Initial
// Setup wizard and the System Settings window are built from it, every page is shown and
// every control of every page is used once. Nothing may crash or loop, and no program or
// file outside the test's own directory may be opened (there is no launcher at all).
#include "settings_ui/modelsheet.h"
#include "support/docfixture.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace vexa;

// Forwards GlobalInfluence 4 to the sheet, as the main window does.
class Host : public NullDocumentHost {
public:
    void RebuildSheetPages(void* sheet) override {
        if (sheet)
            static_cast<PropertySheetModel*>(sheet)->RebuildPages();
    }
};

void UsePage(SettingsPageModel& page) {
    for (std::size_t i = 0; i < page.EditBoxes().size(); ++i) {
        page.OnEditCommit(static_cast<int>(i), "7.5");
        page.OnEditWheel(static_cast<int>(i), 120);
    }
    for (std::size_t i = 0; i < page.TextBoxes().size(); ++i)
        page.OnTextChanged(static_cast<int>(i), "a;b:c");
    for (std::size_t i = 0; i < page.Buttons().size(); ++i)
        page.OnButtonClicked(static_cast<int>(i), true);
    for (std::size_t i = 0; i < page.ComboBoxes().size(); ++i) {
        if (!page.ComboBoxes()[i]->selection)
            page.OnComboSelChange(static_cast<int>(i), 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static testing::TempDir dir;
    static testing::MemorySettings settings;
    static Host host;
    CVLXDoc doc(CVLXDocServices{&settings, dir.path(), nullptr});
    doc.SetHost(&host);
    doc.DefinitionText.assign(reinterpret_cast<const char*>(data), size);
    doc.ReadDeclarations(1);

    for (int wizard = 0; wizard < 2; ++wizard) {
        PropertySheetModel sheet(wizard ? kInitialSetupCaption : kSystemSettingsCaption,
                                 kPageTemplateNormal, wizard);
        if (!sheet.BuildPages(&doc))
            continue;
        // Each page once; a rebuild may replace the pages behind the cursor.
        for (int i = 0; i < sheet.PageCount() && i < PropertySheetModel::kMaxDefinitionPages; ++i) {
            if (sheet.SetActivePage(i))
                UsePage(sheet.Page(i));
        }
    }
    return 0;
}
