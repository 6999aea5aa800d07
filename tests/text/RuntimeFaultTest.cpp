#include <gtest/gtest.h>

#include "text/Gbk.h"
#include "text/RuntimeFault.h"
#include "text/TextArray.h"

namespace kestrova {
namespace {

TEST(RuntimeFaultTest, BoxTextLayout) {
    const RuntimeFault fault(4, Gbk("数组成员引用下标必须大于等于1"));
    EXPECT_EQ(GbkToUtf8(fault.BoxText()),
              "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n");
    EXPECT_STREQ(fault.what(), "数组成员引用下标必须大于等于1");
}

struct IndexCase {
    int index;
    int code;
    const char* message;  // UTF-8
};

class TextArrayIndexTest : public ::testing::TestWithParam<IndexCase> {};

TEST_P(TextArrayIndexTest, IndexOutsideRaisesFault) {
    const TextArray array(std::vector<Text>{"a", "b", "c"});
    const IndexCase& c = GetParam();
    try {
        (void)array[c.index];
        ADD_FAILURE() << "no fault for index " << c.index;
    } catch (const RuntimeFault& fault) {
        EXPECT_EQ(fault.Code(), c.code);
        EXPECT_EQ(GbkToUtf8(fault.Message()), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TextArrayIndexTest,
                         ::testing::Values(IndexCase{0, 4, "数组成员引用下标必须大于等于1"},
                                           IndexCase{-1, 4, "数组成员引用下标必须大于等于1"},
                                           IndexCase{4, 1, "数组成员引用下标超出定义范围"},
                                           IndexCase{100, 1, "数组成员引用下标超出定义范围"}));

TEST(TextArrayIndexTest, ValidIndexesFromOne) {
    TextArray array;
    EXPECT_THROW((void)array[1], RuntimeFault);  // Count() + 1 of an empty array
    array.Append("x");
    array.Append("y");
    EXPECT_EQ(array.Count(), 2);
    EXPECT_EQ(array[1], "x");
    EXPECT_EQ(array[2], "y");
    EXPECT_THROW((void)array[3], RuntimeFault);
    array.Clear();
    EXPECT_TRUE(array.Empty());
}

}  // namespace
}  // namespace kestrova
