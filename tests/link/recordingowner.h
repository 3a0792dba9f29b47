#pragma once
// A MonitorOwner that records every call, for tests to compare.
#include "link/monitorowner.h"

#include <functional>
#include <string>
#include <vector>

namespace vexa::testing {

struct OwnerMessage {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    bool operator==(const OwnerMessage&) const = default;
};

class RecordingOwner : public MonitorOwner {
public:
    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override {
        messages.push_back({text, caption, flags});
        if (duringMessage)
            duringMessage();
        return 1;
    }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void ShowConnectionStatus(int state) override { connectionStates.push_back(state); }
    int CheckController() override {
        ++checks;
        return checkController ? checkController() : 0;
    }
    int PollTick() override {
        ++pollTicks;
        return pollResult;
    }

    std::vector<OwnerMessage> messages;
    std::vector<std::string> statusTexts;
    std::vector<int> connectionStates;
    std::function<int()> checkController; // answers CheckController; 0 when unset
    std::function<void()> duringMessage;  // runs while a message box is "open"
    int pollResult = 0;
    int checks = 0;
    int pollTicks = 0;
};

} // namespace vexa::testing
