#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/batch/AccountList.h"

namespace kestrova {
namespace {

using Accounts = std::vector<std::string>;

struct ListCase {
    const char* name;
    std::string text;
    Accounts accounts;
};

class AccountListParse : public ::testing::TestWithParam<ListCase> {};

TEST_P(AccountListParse, TakesEachLineAsGiven) {
    EXPECT_EQ(ParseAccountList(GetParam().text), GetParam().accounts);
}

const std::string kBom = "\xEF\xBB\xBF";

INSTANTIATE_TEST_SUITE_P(
    AccountList, AccountListParse,
    ::testing::Values(
        ListCase{"LineFeeds", "青禾手作坊\n书虫阿林\n", {"青禾手作坊", "书虫阿林"}},
        ListCase{"CarriageReturnLineFeeds", "a\r\nb\r\n", {"a", "b"}},
        ListCase{"LastLineWithoutEnding", "a\nb", {"a", "b"}},
        ListCase{"MixedEndings", "a\r\nb\nc", {"a", "b", "c"}},
        ListCase{"LeadingByteOrderMark", kBom + "a\nb\n", {"a", "b"}},
        ListCase{"ByteOrderMarkBeforeAComment", kBom + "# list\na\n", {"a"}},
        ListCase{"ByteOrderMarkLaterIsPartOfTheName", "a\n" + kBom + "b\n", {"a", kBom + "b"}},
        ListCase{"OnlyAByteOrderMark", kBom, {}}, ListCase{"Empty", "", {}},
        ListCase{"BlankLinesSkipped", "\na\n\r\n\nb\n\n", {"a", "b"}},
        ListCase{"SpacesAndTabsOnlyAreBlank", "  \n\t\n \t \r\na\n", {"a"}},
        ListCase{"CommentsSkipped", "#a\n# b\n#\nc\n", {"c"}},
        ListCase{"HashLaterInTheLineIsPartOfTheName", "a#b\n #c\n", {"a#b", " #c"}},
        ListCase{"FullWidthHashIsAName", "＃a\n", {"＃a"}},
        ListCase{"SpacesAroundTheNameKept", "  a b  \n\ta\t\r\n", {"  a b  ", "\ta\t"}},
        ListCase{"LoneCarriageReturnKept", "a\rb\nc\r", {"a\rb", "c\r"}},
        ListCase{"OnlyTheLastCarriageReturnIsTheEnding", "a\r\r\n", {"a\r"}},
        ListCase{"BytesThatAreNotUtf8PassThrough", "a\xFF\xFE\n", {"a\xFF\xFE"}}),
    [](const auto& info) { return info.param.name; });

class AccountListFile : public ::testing::Test {
  protected:
    AccountListFile()
        : dir_(std::filesystem::temp_directory_path() /
               ("kestrova-list-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir_);
    }
    ~AccountListFile() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path dir_;
};

TEST_F(AccountListFile, ReadsTheWholeFileByteForByte) {
    std::string big = kBom;
    for (int i = 0; i < 20000; ++i) {
        big += "member " + std::to_string(i) + "\r\n";  // past one read's worth
    }
    std::string error;
    const std::optional<std::string> text = ReadListFile(Write("big.txt", big), error);
    ASSERT_TRUE(text.has_value()) << error;
    EXPECT_EQ(*text, big);
    const Accounts accounts = ParseAccountList(*text);
    ASSERT_EQ(accounts.size(), 20000u);
    EXPECT_EQ(accounts.front(), "member 0");
    EXPECT_EQ(accounts.back(), "member 19999");
}

struct UnreadableCase {
    const char* name;
    bool directory;
    const char* reason;
};

class AccountListUnreadable : public AccountListFile,
                              public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(AccountListUnreadable, SaysWhy) {
    const std::string path = (dir_ / GetParam().name).string();
    if (GetParam().directory) {
        std::filesystem::create_directory(path);
    }
    std::string error;
    EXPECT_FALSE(ReadListFile(path, error).has_value());
    EXPECT_EQ(error, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(AccountList, AccountListUnreadable,
                         ::testing::Values(UnreadableCase{"missing", false,
                                                          "No such file or directory"},
                                           UnreadableCase{"folder", true, "Is a directory"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kestrova
