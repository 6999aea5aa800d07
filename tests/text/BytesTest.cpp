#include <gtest/gtest.h>

#include "text/Bytes.h"
#include "text/Gbk.h"
#include "text/RuntimeFault.h"

namespace kestrova {
namespace {

const ByteBuffer kSix{1, 2, 3, 4, 5, 6};

TEST(BytesLengthTest, CountsBytesIncludingZeros) {
    EXPECT_EQ(BytesLength({}), 0);
    EXPECT_EQ(BytesLength(ByteBuffer{0, 0, 7}), 3);
}

struct MidCase {
    int start;
    int count;
    ByteBuffer expected;
};

class MidBytesTest : public ::testing::TestWithParam<MidCase> {};

TEST_P(MidBytesTest, ClampsStartAndCount) {
    const MidCase& c = GetParam();
    EXPECT_EQ(MidBytes(kSix, c.start, c.count), c.expected) << c.start << "," << c.count;
}

INSTANTIATE_TEST_SUITE_P(Cases, MidBytesTest,
                         ::testing::Values(MidCase{1, 2, {1, 2}}, MidCase{3, 2, {3, 4}},
                                           MidCase{5, 99, {5, 6}}, MidCase{6, 1, {6}},
                                           MidCase{7, 3, {}}, MidCase{100, 3, {}},
                                           MidCase{0, 2, {1, 2}}, MidCase{-5, 2, {1, 2}},
                                           MidCase{2, 0, {}}, MidCase{2, -1, {}},
                                           MidCase{1, 2147483647, {1, 2, 3, 4, 5, 6}}));

TEST(MidBytesTest, EmptyBuffer) {
    EXPECT_EQ(MidBytes({}, 1, 4), ByteBuffer{});
}

TEST(RightBytesTest, LastBytes) {
    EXPECT_EQ(RightBytes(kSix, 2), (ByteBuffer{5, 6}));
    EXPECT_EQ(RightBytes(kSix, 6), kSix);
    EXPECT_EQ(RightBytes(kSix, 60), kSix);
    EXPECT_EQ(RightBytes(kSix, 0), ByteBuffer{});
    EXPECT_EQ(RightBytes(kSix, -1), ByteBuffer{});
    EXPECT_EQ(RightBytes({}, 3), ByteBuffer{});
}

TEST(ZeroBytesTest, ZeroFilled) {
    EXPECT_EQ(ZeroBytes(3), (ByteBuffer{0, 0, 0}));
    EXPECT_EQ(ZeroBytes(0), ByteBuffer{});
    EXPECT_EQ(ZeroBytes(-2), ByteBuffer{});
}

TEST(ReadBytesInt32Test, LittleEndianFromTheStart) {
    EXPECT_EQ(ReadBytesInt32(ByteBuffer{0x78, 0x56, 0x34, 0x12, 0xFF}), 0x12345678);
    EXPECT_EQ(ReadBytesInt32(ByteBuffer{0xFF, 0xFF, 0xFF, 0xFF}), -1);
    EXPECT_EQ(ReadBytesInt32(ByteBuffer{0x00, 0x00, 0x00, 0x80}), -2147483647 - 1);
}

TEST(ReadBytesInt32Test, MissingBytesReadAsZero) {
    EXPECT_EQ(ReadBytesInt32(ByteBuffer{0x01, 0x02}), 0x0201);
    EXPECT_EQ(ReadBytesInt32(ByteBuffer{}), 0);
}

TEST(ReadBytesInt32Test, PositionAdvancesThenMarksTheEnd) {
    const ByteBuffer buffer{1, 0, 0, 0, 2, 0, 0, 0, 3, 0};
    int position = 1;
    EXPECT_EQ(ReadBytesInt32(buffer, &position), 1);
    EXPECT_EQ(position, 5);
    EXPECT_EQ(ReadBytesInt32(buffer, &position), 2);
    EXPECT_EQ(position, 9);
    EXPECT_EQ(ReadBytesInt32(buffer, &position), 3);  // two bytes short
    EXPECT_EQ(position, -1);
    EXPECT_EQ(ReadBytesInt32(buffer, &position), 0);  // nothing more to read
    EXPECT_EQ(position, -1);
}

TEST(ReadBytesInt32Test, ReadingTheLastBytesExactlyReachesTheEnd) {
    const ByteBuffer buffer{7, 0, 0, 0};
    int position = 1;
    EXPECT_EQ(ReadBytesInt32(buffer, &position), 7);
    EXPECT_EQ(position, -1);
}

TEST(ReadBytesInt32Test, PositionsOutsideTheBuffer) {
    const ByteBuffer buffer{9, 0, 0, 0, 8, 0, 0, 0};
    int position = 0;  // below 1 reads from the start
    EXPECT_EQ(ReadBytesInt32(buffer, &position), 9);
    EXPECT_EQ(position, 5);
    position = 20;
    EXPECT_EQ(ReadBytesInt32(buffer, &position), 0);
    EXPECT_EQ(position, -1);
}

TEST(CheckBytesValueTypeTest, AcceptsOneToTen) {
    for (int type = 1; type <= 10; ++type) {
        EXPECT_NO_THROW(CheckBytesValueType(type)) << type;
    }
}

TEST(CheckBytesValueTypeTest, OtherTypesAreFatal) {
    for (const int type : {0, 11, -1}) {
        try {
            CheckBytesValueType(type);
            ADD_FAILURE() << "no fault for type " << type;
        } catch (const RuntimeFault& fault) {
            EXPECT_EQ(fault.Message(), Gbk("“欲取出数据的类型”参数值无效"));
            EXPECT_EQ(fault.Message().substr(0, 2), "\xA1\xB0");  // the opening quote in GBK
            EXPECT_EQ(fault.Code(), 2);
            EXPECT_STREQ(fault.what(), "“欲取出数据的类型”参数值无效");
        }
    }
}

}  // namespace
}  // namespace kestrova
