#pragma once
// What the bar tests share: an id allocator that keeps every text it is given, like the
// main window's registry, and the folder screenshots go to.
#include "uicommon/controlidsource.h"

#include <QImage>
#include <QWidget>

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace vexa::testing {

class CountingIds : public ControlIdSource {
public:
    int AllocateControlId(int start) override {
        for (int id = 1040 + start; id < 1040 + capacity; ++id) {
            if (inUse.insert(id).second)
                return id;
        }
        return 0;
    }
    void ReleaseControlId(int id) override {
        inUse.erase(id);
        status.erase(id);
        tips.erase(id);
        help.erase(id);
    }
    void SetControlStatusText(int id, const std::string& text) override { status[id] = text; }
    void SetControlToolTip(int id, const std::string& text) override { tips[id] = text; }
    void SetControlHelpText(int id, const std::string* text) override { help.emplace(id, text); }

    int capacity = 300;
    std::set<int> inUse;
    std::map<int, std::string> status;
    std::map<int, std::string> tips;
    std::map<int, const std::string*> help;
};

// Saves what widget shows as name.png under the test output folder; returns the path.
inline std::string SaveScreenshot(QWidget& widget, const std::string& name) {
    std::filesystem::create_directories(VEXA_TEST_OUTPUT_DIR);
    const std::string path = std::string(VEXA_TEST_OUTPUT_DIR) + "/" + name + ".png";
    widget.grab().toImage().save(QString::fromStdString(path));
    return path;
}

} // namespace vexa::testing
