#pragma once
// The document's change log. A step is opened before a user-level change and closed after
// it; closing compares every saved field (and the curve settings derived from the
// definition) with a copy taken when the step opened and keeps only the elements that
// differ, before and after. Undo and redo write those elements back, so they restore
// exactly what the step changed and nothing else, whichever path made the change.
//
// Steps nest: only the outermost one records, so a drag of many mouse moves, or a control
// whose change rebuilds the bars, is one step. The log also knows which step matches the
// file last saved, which is what the modified mark follows through undo and redo.
#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vexa {

class CVLXDoc;

// How a step's name is completed when it closes.
enum class ChangeNaming {
    kAsGiven,   // the name as given ("Axle ratio")
    kPoints,    // name + " 3 Points of 1-2"
    kMovePoints // "Move 3 Points of 1-2 Up" (the curve's name): name is ignored
};

// What an undo or redo wrote back, so the document refreshes no more than it must.
struct ChangeEffect {
    bool pointsOnly = false;   // nothing but curve points changed
    std::set<int> curves;      // curves whose points changed
    bool identity = false;     // the identity block (the definition directory follows it)
    bool declarations = false; // the declarations block (the addressing modes follow it)
};

class ChangeLog {
public:
    // Oldest steps are dropped once the history holds more than this many bytes.
    static constexpr std::size_t kDefaultMemoryLimit = 64u << 20;

    ChangeLog();
    ~ChangeLog();
    ChangeLog(const ChangeLog&) = delete;
    ChangeLog& operator=(const ChangeLog&) = delete;

    // Opens a step. Nested opens only count the depth; the first non-empty name of the
    // open steps names the whole. A step with a merge key joins the newest step when that
    // one has the same key (text typed into one box is one step, not one per character).
    void Begin(const CVLXDoc& doc, std::string name, ChangeNaming naming,
               const void* mergeKey = nullptr);
    // Closes a step; at the outermost level records what changed. Returns whether a step
    // was recorded (false too for an unmatched close or a step that changed nothing).
    bool End(const CVLXDoc& doc);
    bool IsOpen() const { return depth_ > 0; }

    bool CanUndo() const { return position_ > 0 && !IsOpen(); }
    bool CanRedo() const { return position_ < steps_.size() && !IsOpen(); }
    // The name of the step Undo (Redo) would take back (do again); empty when none.
    std::string UndoName() const;
    std::string RedoName() const;
    // Write the step back into doc; call only when CanUndo (CanRedo).
    ChangeEffect Undo(CVLXDoc& doc);
    ChangeEffect Redo(CVLXDoc& doc);

    // Forgets every step (New, Open); an open step stays open.
    void Clear();
    // The document now matches its file (saved, opened, new).
    void MarkSaved() { savedPosition_ = static_cast<long>(position_); }
    // The document changed outside any step: no undo leads back to the saved file.
    void ForgetSaved() { savedPosition_ = -1; }
    // Whether the document is at the step that matches the saved file.
    bool AtSaved() const { return savedPosition_ == static_cast<long>(position_); }

    std::size_t StepCount() const { return steps_.size(); }
    std::size_t Position() const { return position_; }
    // Bytes the recorded steps hold (their element copies and names).
    std::size_t MemoryUse() const { return memoryUse_; }
    void SetMemoryLimit(std::size_t bytes);

    // Keeps each text that steps hold once (for the comparison code).
    class TextPool;

private:
    struct Snapshot;
    struct Step;
    void DropOldest();
    bool MergeIntoLast(Step& step);

    std::vector<std::unique_ptr<Step>> steps_;
    std::size_t position_ = 0; // steps before it are done, from it on undone
    long savedPosition_ = 0;   // -1: the saved state is not in the history
    std::size_t memoryUse_ = 0;
    std::size_t memoryLimit_ = kDefaultMemoryLimit;
    std::unique_ptr<TextPool> texts_;

    int depth_ = 0;
    std::unique_ptr<Snapshot> before_;
    std::string pendingName_;
    ChangeNaming pendingNaming_ = ChangeNaming::kAsGiven;
    const void* pendingMergeKey_ = nullptr;
};

} // namespace vexa
