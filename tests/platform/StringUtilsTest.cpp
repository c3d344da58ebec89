#include "platform/StringUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace morlake {
namespace {

std::string applied (void (*f) (char*), std::string text)
{
    text.push_back (0);
    f (text.data());
    return text.c_str();
}

TEST (StripAllButNum, KeepsDigitsSignsAndPoints)
{
    EXPECT_EQ (applied (stripAllButNum, "-12.5 dB"), "-12.5");
    EXPECT_EQ (applied (stripAllButNum, "letters only"), "");
    EXPECT_EQ (applied (stripAllButNum, "+3 ms, 4.0"), "+34.0");
    EXPECT_EQ (applied (stripAllButNum, "1\xc2\xbd Hz"), "1") << "multi-byte characters removed whole";
    EXPECT_EQ (applied (stripAllButNum, ""), "");
    std::string hostile;
    for (int i = 0; i < 4000; ++i)
        hostile += (i % 3 == 0) ? '7' : char (0x80 + i % 100);
    EXPECT_EQ (applied (stripAllButNum, hostile), std::string (1334, '7'));
    stripAllButNum (nullptr);
}

} // namespace
} // namespace morlake
