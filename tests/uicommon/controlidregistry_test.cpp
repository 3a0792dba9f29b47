// The control id registry: ids 1040..1339 handed out lowest first, and the texts the main
// window shows for them.
#include "uicommon/controlidregistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexa {
namespace {

TEST(ControlIdRegistry, HandsOutTheLowestFreeIdAndZeroWhenFull) {
    ControlIdRegistry registry;
    EXPECT_EQ(registry.AllocateControlId(0), 1040);
    registry.ReleaseControlId(1040);
    EXPECT_EQ(registry.AllocateControlId(0), 1040);
    EXPECT_EQ(registry.AllocateControlId(0), 1041);
    EXPECT_EQ(registry.AllocateControlId(0), 1042);
    registry.ReleaseControlId(1041);
    EXPECT_EQ(registry.AllocateControlId(0), 1041);
    // A start index skips the entries before it.
    EXPECT_EQ(registry.AllocateControlId(10), 1050);

    std::vector<int> ids;
    for (int i = 0; i < 300; ++i)
        ids.push_back(registry.AllocateControlId(0));
    EXPECT_EQ(ids[295], 1339);
    EXPECT_EQ(ids[296], 0); // 4 were taken before: the 301st control alive gets 0
    EXPECT_EQ(ids.back(), 0);
    EXPECT_FALSE(registry.IsInUse(0));
    EXPECT_EQ(registry.AllocateControlId(300), 0);
    EXPECT_EQ(registry.AllocateControlId(-1), 0);

    registry.Clear();
    EXPECT_FALSE(registry.IsInUse(1339));
    EXPECT_EQ(registry.AllocateControlId(0), 1040);
}

TEST(ControlIdRegistry, KeepsAtMost79CharactersOfPromptsAndTips) {
    ControlIdRegistry registry;
    const int id = registry.AllocateControlId(0);
    EXPECT_EQ(registry.StatusText(id), nullptr);
    EXPECT_EQ(registry.ToolTip(id), nullptr);

    const std::string hundred(100, 'x');
    registry.SetControlToolTip(id, hundred);
    registry.SetControlStatusText(id, "Upshift from first to second gear");
    ASSERT_NE(registry.ToolTip(id), nullptr);
    EXPECT_EQ(*registry.ToolTip(id), std::string(79, 'x'));
    EXPECT_EQ(*registry.StatusText(id), "Upshift from first to second gear");
    // An empty text is a text: the control has a prompt, and it is empty.
    registry.SetControlStatusText(id, "");
    ASSERT_NE(registry.StatusText(id), nullptr);
    EXPECT_EQ(*registry.StatusText(id), "");

    // A released id forgets its texts; the next control on it starts without any.
    registry.ReleaseControlId(id);
    EXPECT_EQ(registry.StatusText(id), nullptr);
    EXPECT_EQ(registry.AllocateControlId(0), id);
    EXPECT_EQ(registry.ToolTip(id), nullptr);
}

TEST(ControlIdRegistry, TheFirstHelpTextWinsAndIsTheControlsOwn) {
    ControlIdRegistry registry;
    const int id = registry.AllocateControlId(0);
    std::string first = "Shift point help";
    const std::string second = "Another help";
    registry.SetControlHelpText(id, &first);
    registry.SetControlHelpText(id, &second);
    ASSERT_NE(registry.HelpText(id), nullptr);
    EXPECT_EQ(*registry.HelpText(id), "Shift point help");
    // A reference, not a copy: the control's own text is what F1 shows.
    first = "Edited help";
    EXPECT_EQ(*registry.HelpText(id), "Edited help");
}

TEST(ControlIdRegistry, IdsWithoutAnEntryAreIgnored) {
    ControlIdRegistry registry;
    const std::string help = "help";
    for (int id : {0, 1039, 1340, -5}) {
        registry.SetControlToolTip(id, "tip");
        registry.SetControlStatusText(id, "status");
        registry.SetControlHelpText(id, &help);
        registry.ReleaseControlId(id);
        EXPECT_EQ(registry.ToolTip(id), nullptr) << id;
        EXPECT_EQ(registry.HelpText(id), nullptr) << id;
    }
    // An id in range that is not in use has no texts either.
    registry.SetControlToolTip(1045, "tip");
    EXPECT_EQ(registry.ToolTip(1045), nullptr);
    EXPECT_EQ(registry.AllocateControlId(0), 1040);
}

} // namespace
} // namespace vexa
