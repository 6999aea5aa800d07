#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <sstream>
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

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The lines of a text file, split at a separator; CR LF or LF line ends.
std::vector<std::vector<std::string>> Records(const std::string& text, char separator) {
    std::vector<std::vector<std::string>> records;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t end; (end = line.find(separator, start)) != std::string::npos;
             start = end + 1) {
            fields.push_back(line.substr(start, end - start));
        }
        fields.push_back(line.substr(start));
        records.push_back(std::move(fields));
    }
    return records;
}

TEST(RegionTable, EveryCodeOfTodaysDivisionsGivesTheAddressItAlwaysGave) {
    // Taken from the lookup before the former divisions joined the table.
    const auto records = Records(ReadFile(KESTROVA_REGION_ADDRESSES), '\t');
    ASSERT_EQ(records.size(), 3353u);
    int differing = 0;
    for (const auto& fields : records) {
        ASSERT_EQ(fields.size(), 2u) << fields[0];
        const std::string address = GbkToUtf8(LookUpRegionName(fields[0]));
        if (address != fields[1] && ++differing <= 20) {
            ADD_FAILURE() << fields[0] << " gives " << address << ", gave " << fields[1];
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(RegionTable, EveryCodeSince1981EndsItsAddressWithItsLatestName) {
    struct Period {
        std::string name;
        bool province = false;
        int since = 0;
        int until = 0;  // the first year no longer in use; 9999 while in use
    };
    std::string text = ReadFile(KESTROVA_DIVISION_HISTORY);
    ASSERT_TRUE(text.starts_with("\xEF\xBB\xBF\xE4\xBB\xA3\xE7\xA0\x81,"));  // BOM, "代码,"
    auto records = Records(text, ',');
    records.erase(records.begin());
    std::map<std::string, Period> latest;
    for (const auto& f : records) {
        ASSERT_EQ(f.size(), 9u) << f[0];
        const Period period{f[3], f[4] == "省级", std::stoi(f[6]),
                            f[7].empty() ? 9999 : std::stoi(f[7])};
        const auto seen = latest.find(f[0]);
        if (seen == latest.end() || period.since > seen->second.since ||
            (period.since == seen->second.since && period.until > seen->second.until)) {
            latest[f[0]] = period;
        }
    }
    ASSERT_EQ(records.size(), 6823u);
    ASSERT_EQ(latest.size(), 6450u);
    for (const auto& [code, period] : latest) {
        const Text address = LookUpRegionName(code);
        if (period.province) {
            // Provinces keep their short top-level names.
            EXPECT_FALSE(address.empty()) << code;
            continue;
        }
        const Text name = Gbk(period.name);
        EXPECT_TRUE(address.size() > name.size() && address.ends_with(name))
            << code << " " << period.name << ": " << GbkToUtf8(address);
    }
}

TEST(RegionTable, ParentsFollowTheCodes) {
    // A city's parent is its province; a county's the row of its first four
    // digits and "00" (a placeholder row where no city had that code).
    for (const Row& row : Rows()) {
        if (row.parent == kTopParent) {
            EXPECT_TRUE(row.code.ends_with("0000")) << row.code;
            continue;
        }
        const bool city = row.code.ends_with("00");
        EXPECT_EQ(row.parent, city ? row.code.substr(0, 2) + "0000" : row.code.substr(0, 4) + "00")
            << row.code;
    }
}

struct Lookup {
    const char* code;
    const char* address;  // UTF-8
};

void PrintTo(const Lookup& lookup, std::ostream* out) {
    *out << '"' << lookup.code << "\" -> " << lookup.address;
}

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
        // Abolished districts and counties under a city that still has its row.
        Lookup{"110103", "北京市崇文区"}, Lookup{"110104", "北京市宣武区"},
        Lookup{"320103", "南京市白下区"}, Lookup{"370181", "济南市章丘市"},
        Lookup{"330183", "杭州市富阳市"},
        // Counties of a municipality's former county group: the placeholder row
        // of their first four digits carries the municipality's full name.
        Lookup{"110228", "北京市密云县"}, Lookup{"120221", "天津市宁河县"},
        Lookup{"310225", "上海市南汇县"}, Lookup{"110200", "北京北京市"},
        Lookup{"120200", "天津天津市"}, Lookup{"310200", "上海上海市"},
        // An abolished city under its province, and its district under it.
        Lookup{"341400", "安徽巢湖市"}, Lookup{"341402", "巢湖市居巢区"},
        // A reused code takes its latest name (义马市 until 1990, then 济源市).
        Lookup{"419001", "河南省济源市"},
        // Hainan's counties before it had cities: their first four digits and
        // "00" are the province's own code.
        Lookup{"460001", "海南通什市"},
        // Guangdong's Hainan region, and the one name with a punctuation mark.
        Lookup{"442100", "广东海南行政区"}, Lookup{"442137", "海南行政区西沙、南沙、中沙群岛"},
        // Today's development zones, which the list since 1981 does not have.
        Lookup{"130171", "石家庄市石家庄高新技术产业开发区"},
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
