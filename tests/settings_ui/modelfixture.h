#pragma once
// A document with a small definition, the id source and launcher seams as recorders, and
// a host that rebuilds the settings sheet the way the main window does.
#include "settings_ui/modelsheet.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vexa::testing {

// Ids from 1040 up, lowest free first, as the control id registry hands them out.
class CountingIds : public ControlIdSource {
public:
    int AllocateControlId(int) override {
        for (int id = 1040;; ++id) {
            if (inUse.insert(id).second)
                return id;
        }
    }
    void ReleaseControlId(int id) override { inUse.erase(id); }
    std::set<int> inUse;
};

class FakeLauncher : public ProgramLauncher {
public:
    void ShowHelpFile(const std::string& path) override { helpFiles.push_back(path); }
    std::int64_t StartProgram(const std::string& path,
                              const std::vector<std::string>& arguments) override {
        started.push_back(path);
        lastArguments = arguments;
        if (failStart)
            return 0;
        running[++nextHandle] = true;
        return nextHandle;
    }
    int QueryProgram(std::int64_t handle, std::string& errorText) override {
        if (queryError) {
            errorText = "The handle is invalid.";
            return -1;
        }
        return running[handle] ? 1 : 0;
    }
    std::vector<std::string> helpFiles;
    std::vector<std::string> started;
    std::vector<std::string> lastArguments;
    std::map<std::int64_t, bool> running;
    std::int64_t nextHandle = 0;
    bool failStart = false;
    bool queryError = false;
};

// A main window: GlobalInfluence 4 rebuilds the sheet that holds the control.
class SheetHost : public RecordingHost {
public:
    void RebuildSheetPages(void* sheet) override {
        RecordingHost::RebuildSheetPages(sheet);
        if (sheet)
            static_cast<PropertySheetModel*>(sheet)->RebuildPages();
    }
};

inline const char* const kBlockSizes =
    "[Declarations]\n$TotalBlockSize 64\n$DynamicBlockSize 1\n$NumDynamicTableCells 1\n"
    "$NumDynamicTableEntries 1\n$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
    "$DynamicInterpolation 1\n$StaticBlockSize 32\n$StaticBlockStart 32\n$NVMType 0\n";

class ModelTest : public ::testing::Test {
protected:
    TempDir dir;
    MemorySettings settings;
    SheetHost host;
    CountingIds ids;
    FakeLauncher launcher;
    std::unique_ptr<CVLXDoc> doc;

    SettingsModelServices Services() { return {&ids, &launcher, kApplicationTitle}; }

    // A document whose definition is declarations + sections.
    void Load(const std::string& declarations, const std::string& sections) {
        if (!doc) {
            doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
            doc->SetHost(&host);
        }
        doc->DefinitionText.clear();
        ASSERT_EQ(
            doc->LoadDefinitionFile(dir.Write("t.def", kBlockSizes + declarations + sections)), 1);
        ASSERT_EQ(doc->ReadDeclarations(1), 1);
        doc->SetModifiedFlag(false);
        host.messages.clear();
        host.calls.clear();
    }

    // A page of section on its own (no sheet), shown once.
    std::unique_ptr<SettingsPageModel> ShowPage(const std::string& section) {
        auto page = std::make_unique<SettingsPageModel>(kPageTemplateNormal, doc.get(), nullptr,
                                                        Services());
        page->sectionName = section;
        page->title = "Options";
        page->OnSetActive();
        return page;
    }

    std::int16_t Int(const std::string& name) { return doc->FindIntVariable(name).Get(); }
    float Float(const std::string& name) { return doc->FindFloatVariable(name).Get(); }
    void SetInt(const std::string& name, int value) {
        doc->SetIntVariable(name, static_cast<std::int16_t>(value));
    }
};

} // namespace vexa::testing
