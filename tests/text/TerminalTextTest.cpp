#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "text/TerminalText.h"

namespace kestrova {
namespace {

std::string Utf8Of(char32_t code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

std::string CodePointName(char32_t code) {
    char name[16];
    std::snprintf(name, sizeof name, "<U+%04X>", static_cast<unsigned>(code));
    return name;
}

TEST(TerminalText, EveryControlButTabAndLineFeedIsWrittenInCaretNotation) {
    for (char32_t c = 0; c < 0x20; ++c) {
        const std::string in = "a" + std::string(1, static_cast<char>(c)) + "b";
        if (c == '\t' || c == '\n') {
            EXPECT_EQ(TerminalText(in), in) << static_cast<unsigned>(c);
        } else {
            EXPECT_EQ(TerminalText(in), "a^" + std::string(1, static_cast<char>(c + 0x40)) + "b")
                << static_cast<unsigned>(c);
        }
    }
    EXPECT_EQ(TerminalText(std::string("\x7F", 1)), "^?");
    EXPECT_EQ(TerminalText(std::string("x\0y", 3)), "x^@y");
}

TEST(TerminalText, C1ControlsAndDirectionOverridesAreNamed) {
    for (char32_t c = 0x80; c <= 0x9F; ++c) {
        EXPECT_EQ(TerminalText(Utf8Of(c)), CodePointName(c));
    }
    for (char32_t c : {0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067, 0x2068, 0x2069}) {
        EXPECT_EQ(TerminalText("ab" + Utf8Of(c) + "cd"), "ab" + CodePointName(c) + "cd");
    }
}

TEST(TerminalText, NeighboursOfTheEscapedRangesPass) {
    for (char32_t c : {0x20, 0x7E, 0xA0, 0xFF, 0x2029, 0x202F, 0x2065, 0x206A, 0xFFFD, 0x10FFFF,
                       0x4E2D /* 中 */}) {
        EXPECT_EQ(TerminalText(Utf8Of(c)), Utf8Of(c)) << static_cast<unsigned>(c);
    }
    const std::string chinese = "淘宝帐号：\t青禾手作坊\n";
    EXPECT_EQ(TerminalText(chinese), chinese);
}

TEST(TerminalText, BytesThatAreNotUtf8AreNamedOneByOne) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"\x9B"
         "31m",
         "<0x9B>31m"},                           // an 8-bit CSI on its own
        {"\xC2", "<0xC2>"},                      // cut short at the end
        {"\xC0\x9B", "<0xC0><0x9B>"},            // an overlong ESC
        {"\xE2\x80", "<0xE2><0x80>"},            // a bidi override cut short
        {"\xED\xA0\x80", "<0xED><0xA0><0x80>"},  // a surrogate
        {"\xF5\x80\x80\x80", "<0xF5><0x80><0x80><0x80>"},
        {"\xE4\xB8", "<0xE4><0xB8>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TerminalText(c.in), c.out);
    }
}

TEST(TerminalText, AHostileSequenceLeavesNoEscapeByte) {
    // OSC 52 (set the clipboard), a title, a hyperlink, clear screen, RLO.
    const std::string hostile =
        "\x1B]52;c;cm0gLXJmIH4=\x07\x1B]0;pwned\x1B\\\x1B]8;;http://x\x1B\\"
        "\x1B[2J\xC2\x9B"
        "2J" +
        Utf8Of(0x202E) + "gpj.exe";
    const std::string shown = TerminalText(hostile);
    EXPECT_EQ(shown.find('\x1B'), std::string::npos);
    EXPECT_EQ(shown.find('\x07'), std::string::npos);
    EXPECT_EQ(shown.find("\xC2\x9B"), std::string::npos);
    EXPECT_EQ(shown.find(Utf8Of(0x202E)), std::string::npos);
    EXPECT_EQ(shown.substr(0, 6), "^[]52;");
    EXPECT_NE(shown.find("<U+202E>gpj.exe"), std::string::npos);
}

}  // namespace
}  // namespace kestrova
