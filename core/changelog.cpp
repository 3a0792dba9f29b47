// The change log: field-by-field comparison of the document before and after a step.
#include "core/changelog.h"

#include "core/vlxdoc.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

namespace vexa {

// The texts steps hold, each once; bytes grows by the size of a text stored anew.
class ChangeLog::TextPool {
public:
    std::shared_ptr<const std::string> Intern(const std::string& text, std::size_t& bytes) {
        std::erase_if(texts_, [](const auto& weak) { return weak.expired(); });
        for (const std::weak_ptr<const std::string>& weak : texts_) {
            std::shared_ptr<const std::string> kept = weak.lock();
            if (kept && kept->size() == text.size() && *kept == text)
                return kept;
        }
        auto kept = std::make_shared<const std::string>(text);
        texts_.push_back(kept);
        bytes += kept->capacity() + sizeof(std::string) + 2 * sizeof(void*);
        return kept;
    }

private:
    std::vector<std::weak_ptr<const std::string>> texts_;
};

namespace {

// Every field a change can touch: what a calibration file stores, and the curve settings
// and proxy flags that are derived from the definition text, so that taking back a type
// change needs no re-reading. Arrays and vectors are compared element by element, the
// rest whole. The document keeps VariableTable at its full size, so its elements line up.
constexpr auto kFields = std::make_tuple(
    &CVLXDoc::CurveTable, &CVLXDoc::CurveSettingsTable, &CVLXDoc::ProxyActive, &CVLXDoc::ConvTable,
    &CVLXDoc::DefinitionText, &CVLXDoc::ControlStateText, &CVLXDoc::ReservedText, &CVLXDoc::Header,
    &CVLXDoc::Identity, &CVLXDoc::Declarations, &CVLXDoc::VariableTable, &CVLXDoc::StoreFormulas,
    &CVLXDoc::LoadFormulas, &CVLXDoc::Display, &CVLXDoc::ReservedBlock508,
    &CVLXDoc::ReservedBlock1024);

constexpr std::size_t kCurveTableField = 0;
constexpr std::size_t kIdentityField = 8;
constexpr std::size_t kDeclarationsField = 9;
static_assert(std::get<kCurveTableField>(kFields) == &CVLXDoc::CurveTable);
static_assert(std::get<kIdentityField>(kFields) == &CVLXDoc::Identity);
static_assert(std::get<kDeclarationsField>(kFields) == &CVLXDoc::Declarations);

constexpr std::size_t kFieldCount = std::tuple_size_v<std::remove_const_t<decltype(kFields)>>;

template <class M> struct FieldTraits {
    using Element = M;
    static constexpr bool kSequence = false;
};
template <class E, std::size_t N> struct FieldTraits<std::array<E, N>> {
    using Element = E;
    static constexpr bool kSequence = true;
};
template <class E> struct FieldTraits<std::vector<E>> {
    using Element = E;
    static constexpr bool kSequence = true;
};
// Whole texts (the definition text above all) are kept once however many steps hold
// them: going back and forth between two transmission types stores each text once.
template <> struct FieldTraits<std::string> {
    using Element = std::shared_ptr<const std::string>;
    static constexpr bool kSequence = false;
};

template <class P> struct MemberOf;
template <class M> struct MemberOf<M CVLXDoc::*> { using type = M; };

template <class E> struct ElementChange {
    std::uint32_t index;
    E before;
    E after;
};

template <class Fields> struct Layout;
template <class... P> struct Layout<std::tuple<P...>> {
    using Values = std::tuple<typename MemberOf<P>::type...>;
    using Changes = std::tuple<
        std::vector<ElementChange<typename FieldTraits<typename MemberOf<P>::type>::Element>>...>;
};
using FieldLayout = Layout<std::remove_const_t<decltype(kFields)>>;

// Plain-data elements compare by their bytes: a float that is NaN is still "unchanged".
template <class T> bool Same(const T& a, const T& b) {
    if constexpr (std::is_trivially_copyable_v<T>)
        return std::memcmp(&a, &b, sizeof(T)) == 0;
    else
        return a == b;
}

std::size_t HeapBytes(const std::string& text) {
    // Short texts live inside the string object.
    return text.capacity() > 15 ? text.capacity() + 1 : 0;
}
std::size_t HeapBytes(const VariableSlot& slot) {
    return HeapBytes(slot.name);
}
std::size_t HeapBytes(const CurveSettings& s) {
    return HeapBytes(s.StoreToIntFormula) + HeapBytes(s.IntToStoreFormula) +
           HeapBytes(s.DispToIntFormula) + HeapBytes(s.IntToDispFormula) +
           HeapBytes(s.ProxyFormula) + HeapBytes(s.PadEnable);
}
template <class T> std::size_t HeapBytes(const T&) {
    return 0;
}

template <class M, class E>
std::size_t Diff(const M& before, const M& after, std::vector<ElementChange<E>>& out,
                 ChangeLog::TextPool& texts) {
    std::size_t shared = 0;
    if constexpr (std::is_same_v<M, std::string>) {
        if (before != after)
            out.push_back({0, texts.Intern(before, shared), texts.Intern(after, shared)});
    } else if constexpr (FieldTraits<M>::kSequence) {
        const std::size_t n = std::min(before.size(), after.size());
        for (std::size_t i = 0; i < n; ++i) {
            if (!Same(before[i], after[i]))
                out.push_back({static_cast<std::uint32_t>(i), before[i], after[i]});
        }
    } else if (!Same(before, after)) {
        out.push_back({0, before, after});
    }
    out.shrink_to_fit();
    std::size_t bytes = shared + out.capacity() * sizeof(ElementChange<E>);
    for (const ElementChange<E>& change : out)
        bytes += HeapBytes(change.before) + HeapBytes(change.after);
    return bytes;
}

template <class M, class E>
void Apply(M& field, const std::vector<ElementChange<E>>& changes, bool undo) {
    for (const ElementChange<E>& change : changes) {
        const E& value = undo ? change.before : change.after;
        if constexpr (std::is_same_v<M, std::string>)
            field = *value;
        else if constexpr (FieldTraits<M>::kSequence)
            field[change.index] = value;
        else
            field = value;
    }
}

std::string PointsPhrase(const CVLXDoc& doc, std::size_t count, const std::set<int>& curves) {
    std::string text = std::to_string(count) + (count == 1 ? " Point of " : " Points of ");
    auto name = [&doc](int curve) {
        const std::string shown = doc.CurveName(curve);
        return shown.empty() ? "Curve " + std::to_string(curve + 1) : shown;
    };
    if (curves.size() == 1)
        return text + name(*curves.begin());
    if (curves.size() == 2)
        return text + name(*curves.begin()) + " and " + name(*curves.rbegin());
    return text + std::to_string(curves.size()) + " Curves";
}

} // namespace

struct ChangeLog::Snapshot {
    FieldLayout::Values values;
};

struct ChangeLog::Step {
    std::string name;
    const void* mergeKey = nullptr;
    FieldLayout::Changes changes;
    std::size_t bytes = 0;
};

ChangeLog::ChangeLog() : texts_(std::make_unique<TextPool>()) {}
ChangeLog::~ChangeLog() = default;

void ChangeLog::Begin(const CVLXDoc& doc, std::string name, ChangeNaming naming,
                      const void* mergeKey) {
    if (depth_++ > 0) {
        if (pendingName_.empty() && pendingNaming_ == ChangeNaming::kAsGiven) {
            pendingName_ = std::move(name);
            pendingNaming_ = naming;
        }
        return;
    }
    pendingName_ = std::move(name);
    pendingNaming_ = naming;
    pendingMergeKey_ = mergeKey;
    before_ = std::make_unique<Snapshot>(Snapshot{
        std::apply([&doc](auto... field) { return FieldLayout::Values{doc.*field...}; }, kFields)});
}

bool ChangeLog::End(const CVLXDoc& doc) {
    if (depth_ == 0 || --depth_ > 0)
        return false;
    std::unique_ptr<Snapshot> before = std::move(before_);
    auto step = std::make_unique<Step>();
    bool changed = false;
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((step->bytes += Diff(std::get<I>(before->values), doc.*std::get<I>(kFields),
                              std::get<I>(step->changes), *texts_),
          changed = changed || !std::get<I>(step->changes).empty()),
         ...);
    }
    (std::make_index_sequence<kFieldCount>{});
    before.reset();
    if (!changed)
        return false;

    const auto& points = std::get<kCurveTableField>(step->changes);
    std::set<int> curves;
    for (const auto& change : points)
        curves.insert(static_cast<int>(change.index) / kPointsPerCurve);
    switch (pendingNaming_) {
    case ChangeNaming::kAsGiven:
        step->name = pendingName_.empty() ? "Edit" : pendingName_;
        break;
    case ChangeNaming::kPoints:
        step->name = points.empty() ? pendingName_
                                    : pendingName_ + " " + PointsPhrase(doc, points.size(), curves);
        break;
    case ChangeNaming::kMovePoints:
        step->name = points.empty() ? "Edit" : "Move " + PointsPhrase(doc, points.size(), curves);
        break;
    }
    step->bytes += sizeof(Step) + HeapBytes(step->name);
    step->mergeKey = pendingMergeKey_;
    if (MergeIntoLast(*step))
        return true;

    // A new step discards what was undone; the saved state may go with it.
    while (steps_.size() > position_) {
        memoryUse_ -= steps_.back()->bytes;
        steps_.pop_back();
    }
    if (savedPosition_ > static_cast<long>(position_))
        savedPosition_ = -1;
    memoryUse_ += step->bytes;
    steps_.push_back(std::move(step));
    ++position_;
    DropOldest();
    return true;
}

namespace {

// newer's changes on top of older's: each element keeps its first before and its last
// after, and an element that ends as it began is no change at all.
template <class E>
void MergeChanges(std::vector<ElementChange<E>>& older, std::vector<ElementChange<E>>& newer) {
    for (ElementChange<E>& change : newer) {
        const auto same = std::find_if(older.begin(), older.end(), [&change](const auto& old) {
            return old.index == change.index;
        });
        if (same == older.end())
            older.push_back(std::move(change));
        else
            same->after = std::move(change.after);
    }
    std::erase_if(older, [](const auto& change) { return Same(change.before, change.after); });
}

} // namespace

bool ChangeLog::MergeIntoLast(Step& step) {
    // Only the newest step, still done, of the same source; never the saved state's own
    // step, so that undo still leads back to the file.
    if (!step.mergeKey || position_ == 0 || position_ != steps_.size() ||
        steps_.back()->mergeKey != step.mergeKey || AtSaved())
        return false;
    Step& last = *steps_.back();
    bool empty = true;
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((MergeChanges(std::get<I>(last.changes), std::get<I>(step.changes)),
          empty = empty && std::get<I>(last.changes).empty()),
         ...);
    }
    (std::make_index_sequence<kFieldCount>{});
    memoryUse_ += step.bytes;
    last.bytes += step.bytes;
    if (empty) {
        // Typed and typed away again: nothing is left to take back.
        memoryUse_ -= last.bytes;
        steps_.pop_back();
        --position_;
    }
    DropOldest();
    return true;
}

std::string ChangeLog::UndoName() const {
    return CanUndo() ? steps_[position_ - 1]->name : std::string();
}

std::string ChangeLog::RedoName() const {
    return CanRedo() ? steps_[position_]->name : std::string();
}

namespace {

template <class Changes> ChangeEffect WriteBack(CVLXDoc& doc, const Changes& changes, bool undo) {
    ChangeEffect effect;
    bool others = false;
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((Apply(doc.*std::get<I>(kFields), std::get<I>(changes), undo),
          others = others || (I != kCurveTableField && !std::get<I>(changes).empty())),
         ...);
    }
    (std::make_index_sequence<kFieldCount>{});
    for (const auto& change : std::get<kCurveTableField>(changes))
        effect.curves.insert(static_cast<int>(change.index) / kPointsPerCurve);
    effect.pointsOnly = !others;
    effect.identity = !std::get<kIdentityField>(changes).empty();
    effect.declarations = !std::get<kDeclarationsField>(changes).empty();
    return effect;
}

} // namespace

ChangeEffect ChangeLog::Undo(CVLXDoc& doc) {
    if (!CanUndo())
        return {};
    --position_;
    return WriteBack(doc, steps_[position_]->changes, true);
}

ChangeEffect ChangeLog::Redo(CVLXDoc& doc) {
    if (!CanRedo())
        return {};
    ++position_;
    return WriteBack(doc, steps_[position_ - 1]->changes, false);
}

void ChangeLog::Clear() {
    steps_.clear();
    position_ = 0;
    savedPosition_ = 0;
    memoryUse_ = 0;
}

void ChangeLog::SetMemoryLimit(std::size_t bytes) {
    memoryLimit_ = bytes;
    DropOldest();
}

void ChangeLog::DropOldest() {
    // The newest step always stays, however large.
    std::size_t drop = 0;
    std::size_t kept = memoryUse_;
    while (kept > memoryLimit_ && drop + 1 < position_) {
        kept -= steps_[drop]->bytes;
        ++drop;
    }
    if (drop == 0)
        return;
    steps_.erase(steps_.begin(), steps_.begin() + static_cast<long>(drop));
    memoryUse_ = kept;
    position_ -= drop;
    savedPosition_ =
        savedPosition_ >= static_cast<long>(drop) ? savedPosition_ - static_cast<long>(drop) : -1;
}

} // namespace vexa
