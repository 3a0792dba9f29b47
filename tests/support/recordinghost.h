#pragma once
// A DocumentHost that records every message box and call, for tests to compare.
#include "core/documenthost.h"

#include <deque>
#include <string>
#include <vector>

namespace vexa::testing {

struct RecordedMessage {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingHost : public DocumentHost {
public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        messages.push_back({text, caption, flags});
        if (answers.empty())
            return kIdOk;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool HasFrame() const override { return hasFrame; }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void RebuildBars() override { calls.push_back("RebuildBars"); }
    void RedrawView() override { calls.push_back("RedrawView"); }
    void RebuildSheetPages(void*) override { calls.push_back("RebuildSheetPages"); }
    void RefreshSettingsSheet(int rebuild) override {
        calls.push_back("RefreshSettingsSheet(" + std::to_string(rebuild) + ")");
    }

    bool hasFrame = true;
    std::deque<int> answers; // buttons to press, in order; OK once they run out
    std::vector<RecordedMessage> messages;
    std::vector<std::string> statusTexts;
    std::vector<std::string> calls;
};

} // namespace vexa::testing
