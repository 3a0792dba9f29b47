// Every help file the program ships reads cleanly with the help viewer's reader.
#include "settings_ui/richtext.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vexa {
namespace {

TEST(ShippedHelp, EveryRichTextFileReadsWithoutError) {
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(VEXA_DATA_DIR)) {
        if (entry.path().extension() != ".rtf")
            continue;
        ++files;
        RichTextDocument document;
        std::string error;
        EXPECT_EQ(ReadRichText(testing::ReadFileBytes(entry.path().string()), document, error), 1)
            << entry.path() << ": " << error;
        EXPECT_FALSE(document.blocks.empty()) << entry.path();
    }
    // The program's own help file and the tuning help files.
    EXPECT_TRUE(
        std::filesystem::exists(std::string(VEXA_DATA_DIR) + "/VEXA Transmission Control.rtf"));
    EXPECT_GE(files, 5);
}

} // namespace
} // namespace vexa
