// The callout format comes from a definition file and is handed to snprintf with a fixed
// argument list (text, double, text, int, int); only formats that fit are accepted.
#include "graph/graphengine.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vexa {
namespace {

struct FormatCase {
    const char* format;
    bool safe;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << '"' << c.format << '"';
}

class CalloutFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(CalloutFormatTest, AcceptsOnlyConversionsThatFitTheArguments) {
    EXPECT_EQ(IsCalloutFormatSafe(GetParam().format), GetParam().safe) << GetParam().format;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CalloutFormatTest,
    ::testing::Values(
        // Accepted: a prefix of the arguments, with the right types.
        FormatCase{"", true}, FormatCase{"plain text", true}, FormatCase{"100%%", true},
        FormatCase{"%s", true}, FormatCase{"Point %s: %.1f", true},
        FormatCase{"%s %g %s %d %d", true}, FormatCase{"%-6s|%+08.2e|%5.2s|%x|%o", true},
        FormatCase{"%s %lf", true}, FormatCase{"%s %f %s %hd %hhu", true},
        FormatCase{"%s %f %s %*d", true}, FormatCase{"%s %f %s %.*d", true},
        FormatCase{"%s %f %s %c%c", true}, FormatCase{"%s %255f", true},
        // Wrong type at a position.
        FormatCase{"%d", false}, FormatCase{"%f", false}, FormatCase{"%s %s", false},
        FormatCase{"%s %f %f", false}, FormatCase{"%s %f %s %s", false},
        FormatCase{"%s %f %s %d %f", false}, FormatCase{"%*s", false},
        // More conversions than arguments.
        FormatCase{"%s %f %s %d %d %d", false}, FormatCase{"%s %f %s %*d %d", false},
        // Writes through a pointer, or reads one.
        FormatCase{"%n", false}, FormatCase{"%s %f %s %n", false}, FormatCase{"%p", false},
        // Length modifiers that change the argument's size.
        FormatCase{"%ls", false}, FormatCase{"%s %Lf", false}, FormatCase{"%s %f %s %ld", false},
        FormatCase{"%s %f %s %lld", false}, FormatCase{"%s %f %s %zd", false},
        FormatCase{"%s %f %s %jd", false}, FormatCase{"%s %hf", false},
        // Malformed or outside the standard grammar.
        FormatCase{"50%", false}, FormatCase{"%", false}, FormatCase{"%1$s", false},
        FormatCase{"%q", false}, FormatCase{"%m", false}, FormatCase{"%5%", false},
        FormatCase{"%'d", false}, FormatCase{"%s %f %s %hhhd", false},
        // Fields large enough to make the text huge or slow.
        FormatCase{"%256s", false}, FormatCase{"%s %.256f", false},
        FormatCase{"%99999999999999999999s", false}));

// Formats come from definition files and may hold a NUL byte, where the C library stops
// reading the format: it never counts as a flag or a conversion.
TEST(PrintfFormatTest, ANulByteIsNeverPartOfAConversion) {
    for (const std::string& format : {std::string("%s%.\0\0\x7f", 7), std::string("%s %\0d", 6),
                                      std::string("%s %-\0", 6), std::string("%s %5\0", 6)})
        EXPECT_FALSE(IsCalloutFormatSafe(format)) << format.size();
    // Conversions complete before it are all the library sees.
    EXPECT_TRUE(IsCalloutFormatSafe(std::string("%s %.1f\0tail", 12)));
}

TEST(PrintfFormatTest, ChecksAgainstTheGivenArgumentList) {
    const PrintfArg ints[] = {PrintfArg::kInt, PrintfArg::kInt};
    EXPECT_TRUE(IsPrintfFormatSafe("%d/%i", ints));
    EXPECT_TRUE(IsPrintfFormatSafe("%*d", ints));
    EXPECT_FALSE(IsPrintfFormatSafe("%*.*d", ints));
    EXPECT_FALSE(IsPrintfFormatSafe("%d", {}));
    EXPECT_TRUE(IsPrintfFormatSafe("no conversions", {}));
}

} // namespace
} // namespace vexa
