#include <gtest/gtest.h>

#include "web/Cookies.h"

namespace kestrova {
namespace {

TEST(TextBetween, CaseIgnoredMarkers) {
    const struct {
        Text text, start, end, between;
    } cases[] = {
        {"Set-Cookie: a=1; path=/", "Set-Cookie:", ";", " a=1"},
        {"set-cookie: A=1; path=/", "SET-COOKIE:", ";", " A=1"},
        {"Set-Cookie: a=1", "Set-Cookie:", ";", ""},
        {"X: 1", "Set-Cookie:", ";", ""},
        {"Set-Cookie:;", "Set-Cookie:", ";", ""},
        {"<b>x</B>tail</b>", "<B>", "</b>", "x"},
        {"", "a", "b", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextBetween(c.text, c.start, c.end), c.between) << c.text;
    }
}

TEST(MergeCookies, ItemsReplacedAddedAndDropped) {
    const struct {
        Text old, received, merged;
    } cases[] = {
        {"", "a=1; b=deleted; ", "a=1; "},
        {"", "", ""},
        {"x=1", "", "x=1; "},
        {"  x=1;  ", "", "x=1; "},
        {"", "; ", ""},
        {"a=1; b=2", "b=3; c=4; ", "a=1; b=3; c=4; "},
        {"SID=old", "sid=new; ", "sid=new; "},
        {"ba=2", "a=1; ", "ba=2; a=1; "},
        {"a=1; b=2", "a=; ", "b=2; "},
        {"a=1; b=2", "a=deleted; ", "b=2; "},
        {"a=1", "noequals; ", "a=1; "},
        {"flag; a=1", "", "flag; a=1; "},
        {"a=1;; b=2", "", "a=1; b=2; "},
        {"k=v=w", "k=x=y; ", "k=x=y; "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MergeCookies(c.old, c.received), c.merged) << c.old << " + " << c.received;
    }
}

}  // namespace
}  // namespace kestrova
