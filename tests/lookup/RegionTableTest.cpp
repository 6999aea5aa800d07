#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "lookup/RegionTable.h"
#include "text/Gbk.h"
#include "web/UrlCodec.h"

namespace kestrova {
namespace {

const std::string kTopParent = "1";

struct Row {
    std::string code;
    std::string escapedName;
    std::string parent;
};

// The rows as the table's own grammar has them; a row that does not follow it
// fails the test that reads it.
std::vector<std::string> RawRows() {
    std::string body = RegionTableText();
    EXPECT_TRUE(body.ends_with("]};"));
    body.resize(body.size() - 2);
    std::vector<std::string> rows;
    std::size_t start = 0;
    for (std::size_t end; (end = body.find("\r\n", start)) != std::string::npos; start = end + 2) {
        rows.push_back(body.substr(start, end - start));
    }
    rows.push_back(body.substr(start));
    return rows;
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = [] {
        std::vector<Row> out;
        for (const std::string& raw : RawRows()) {
            const auto open = raw.find(":[");
            const auto comma = raw.rfind(',');
            out.push_back({raw.substr(0, open), raw.substr(open + 2, comma - open - 2),
                           raw.substr(comma + 1, raw.size() - comma - 2)});
        }
        return out;
    }();
    return rows;
}

std::map<std::string, const Row*> ByCode() {
    std::map<std::string, const Row*> map;
    for (const Row& row : Rows())
        map[row.code] = &row;
    return map;
}

int Depth(const std::map<std::string, const Row*>& byCode, const Row& row) {
    int depth = 0;
    for (const Row* r = &row; r->parent != kTopParent && depth < 10; r = byCode.at(r->parent))
        ++depth;
    return depth;
}

TEST(RegionTable, EveryRowFollowsTheRowFormat) {
    // Six digits, then 1 to 15 lower-case \u escapes, then the parent: "1" or six digits.
    const std::regex row(R"(\d{6}:\[(\\u[0-9a-f]{4}){1,15},(1|\d{6})\])");
    const auto rows = RawRows();
    ASSERT_GT(rows.size(), 3000u);
    for (const std::string& raw : rows) {
        EXPECT_TRUE(std::regex_match(raw, row)) << raw;
        // The lookup reads 99 bytes behind "[" and needs the "]" inside them.
        EXPECT_LE(raw.size() - raw.find('[') - 2, 97u) << raw;
    }
}

TEST(RegionTable, TellingRowsAreThere) {
    const std::string& table = RegionTableText();
    EXPECT_TRUE(table.starts_with("110000:[\\u5317\\u4eac,1]\r\n"));
    for (const char* row :
         {"\r\n110100:[\\u5317\\u4eac\\u5e02,110000]\r\n",
          "\r\n110101:[\\u4e1c\\u57ce\\u533a,110100]\r\n", "\r\n990000:[\\u6d77\\u5916,1]\r\n"}) {
        EXPECT_NE(table.find(row), std::string::npos) << row;
    }
    EXPECT_TRUE(table.ends_with("\r\n990100:[\\u6d77\\u5916,990000]};"));
}

TEST(RegionTable, CodesAscendWithoutRepeats) {
    const auto& rows = Rows();
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LT(rows[i - 1].code, rows[i].code) << rows[i].code;
}

TEST(RegionTable, EveryParentIsARowAndTheTreeHasThreeLevels) {
    const auto byCode = ByCode();
    int perLevel[3] = {};
    for (const Row& row : Rows()) {
        if (row.parent != kTopParent) {
            ASSERT_TRUE(byCode.contains(row.parent)) << row.code;
        }
        const int depth = Depth(byCode, row);
        ASSERT_LT(depth, 3) << row.code;
        ++perLevel[depth];
        // A child's code shares its parent's leading digits: province two, city four.
        if (depth > 0) {
            EXPECT_EQ(row.code.substr(0, 2 * depth), row.parent.substr(0, 2 * depth)) << row.code;
        }
    }
    EXPECT_EQ(perLevel[0], 35);
    EXPECT_GT(perLevel[1], 330);
    EXPECT_GT(perLevel[2], 2800);
}

TEST(RegionTable, TopLevelRowsAreTheProvincesByShortNameAndOverseas) {
    std::set<Text> names;
    for (const Row& row : Rows()) {
        if (row.parent == kTopParent)
            names.insert(DecodeEscapes(row.escapedName));
    }
    std::set<Text> expected;
    for (const char* name :
         {"北京", "天津", "河北", "山西", "内蒙古", "辽宁", "吉林", "黑龙江", "上海",
          "江苏", "浙江", "安徽", "福建", "江西",   "山东", "河南", "湖北",   "湖南",
          "广东", "广西", "海南", "重庆", "四川",   "贵州", "云南", "西藏",   "陕西",
          "甘肃", "青海", "宁夏", "新疆", "台湾",   "香港", "澳门", "海外"}) {
        expected.insert(Gbk(name));
    }
    EXPECT_EQ(names, expected);
}

TEST(RegionTable, NamesArePlacesInGbk) {
    const std::set<Text> placeholders = {Gbk("市辖区"), Gbk("县"), Gbk("省直辖县级行政区划"),
                                         Gbk("自治区直辖县级行政区划")};
    for (const Row& row : Rows()) {
        const Text name = DecodeEscapes(row.escapedName);
        // Two GBK bytes per character, none of them lost to "?".
        EXPECT_EQ(name.size() * 6, row.escapedName.size() * 2) << row.code;
        EXPECT_EQ(name.find('?'), Text::npos) << row.code;
        EXPECT_FALSE(placeholders.contains(name)) << row.code;
    }
}

struct Lookup {
    const char* code;
    const char* address;  // UTF-8
};

class LookUpRegionNameTest : public ::testing::TestWithParam<Lookup> {};

TEST_P(LookUpRegionNameTest, GivesParentNameThenOwnName) {
    EXPECT_EQ(GbkToUtf8(LookUpRegionName(GetParam().code)), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    RegionTable, LookUpRegionNameTest,
    ::testing::Values(
        // A district: the city and the district.
        Lookup{"110101", "北京市东城区"}, Lookup{"440305", "深圳市南山区"},
        // A city: the province and the city.
        Lookup{"110100", "北京北京市"}, Lookup{"440300", "广东深圳市"},
        Lookup{"500200", "重庆重庆市"},
        // Top level: no parent row, the own name alone.
        Lookup{"110000", "北京"}, Lookup{"650000", "新疆"}, Lookup{"810000", "香港"},
        Lookup{"990000", "海外"}, Lookup{"990100", "海外海外"},
        // The code is searched as written: a shorter one ends a longer code.
        Lookup{"10000", "北京"}, Lookup{"0101", "北京市东城区"}, Lookup{"1", "北京市东城区"},
        // Nothing to find: never bytes from elsewhere in the table.
        Lookup{"", ""}, Lookup{"999999", ""}, Lookup{"000000", ""}, Lookup{"1101011", ""},
        Lookup{"abc", ""}, Lookup{":[", ""}, Lookup{"110101 ", ""}));

}  // namespace
}  // namespace kestrova
