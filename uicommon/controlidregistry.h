#pragma once
// ControlIdRegistry: the window ids of controls generated from the definition text
// (1040 to 1339) and the texts the main window shows for them: the status-bar prompt, the
// tool tip and the F1 help. A control takes an id when it is built and gives it back when
// it is destroyed; the main window finds the texts from nothing but the id.
//
// Used from the user-interface thread only. Ids outside 1040..1339 (in particular the id 0
// a control gets while the table is full) have no entry: setters ignore them and lookups
// answer "none" (nullptr).
#include "uicommon/controlidsource.h"

#include <array>
#include <string>

namespace vexa {

class ControlIdRegistry : public ControlIdSource {
public:
    static constexpr int kFirstId = 1040;
    static constexpr int kCount = 300;
    static constexpr int kLastId = kFirstId + kCount - 1;
    // Tool tips and status texts keep at most this many bytes.
    static constexpr std::size_t kMaxTextLength = 79;

    // Frees every entry and forgets every text.
    void Clear();

    // Marks the first free entry from index start on as in use, with no texts, and
    // returns its id; 0 when every entry from start on is taken (or start is out of range).
    int AllocateControlId(int start = 0) override;
    // Frees the entry and its texts.
    void ReleaseControlId(int id) override;

    // For an id in use: keeps the first 79 bytes of text.
    void SetControlStatusText(int id, const std::string& text) override;
    void SetControlToolTip(int id, const std::string& text) override;
    // For an id in use without a help text yet: keeps a reference to the control's own
    // help text, which must live until the id is released. The first registration wins.
    void SetControlHelpText(int id, const std::string* help) override;

    bool IsInUse(int id) const;
    // The registered text, or nullptr when the id is not in use or has none.
    const std::string* StatusText(int id) const;
    const std::string* ToolTip(int id) const;
    const std::string* HelpText(int id) const;

    static bool InRange(int id) { return id >= kFirstId && id <= kLastId; }

private:
    struct Entry {
        bool inUse = false;
        bool hasToolTip = false;
        bool hasStatusText = false;
        std::string toolTip;
        std::string statusText;
        const std::string* help = nullptr;
    };
    Entry* Used(int id);
    const Entry* Used(int id) const;

    std::array<Entry, kCount> entries_{};
};

// The process-wide table every generated control and the main window share.
ControlIdRegistry& ControlIds();

} // namespace vexa
