#include "FieldRules.h"

#include <array>
#include <utility>

#include "assets/Assets.h"
#include "form/Controls.h"
#include "form/RatingRows.h"
#include "imaging/Picture.h"
#include "text/Gbk.h"
#include "web/Transport.h"

namespace kestrova::fuzz {
namespace {

class Checker {
  public:
    Checker(const FieldStore& window, const FieldRuleOptions& options)
        : w_(window), options_(options) {}

    std::vector<std::string> Run() {
        CheckEveryText();
        CheckStatus();
        CheckVocabularies();
        CheckWindows();
        CheckDigits();
        CheckPatternValues();
        CheckServices();
        CheckRows();
        CheckBuyerVerdict();
        CheckSellerVerdict();
        CheckPictures();
        return std::move(broken_);
    }

  private:
    Text T(Ctl c) const { return w_.ReadText(c); }
    static std::string Name(Ctl c) { return Controls()[static_cast<std::size_t>(c)].name; }

    void Broken(Ctl c, const std::string& what) {
        broken_.push_back(Name(c) + ": " + what + " [" + GbkToUtf8(T(c).substr(0, 120)) + "]");
    }

    void OneOf(Ctl c, std::initializer_list<const char*> allowed) {
        const Text value = T(c);
        if (value.empty()) {
            return;
        }
        for (const char* a : allowed) {
            if (value == Gbk(a)) {
                return;
            }
        }
        Broken(c, "not one of its fixed texts");
    }

    void AtMost(Ctl c, std::size_t bytes) {
        if (T(c).size() > bytes) {
            Broken(c, "longer than its window of " + std::to_string(bytes) + " bytes");
        }
    }

    static bool AllDigits(const Text& t, bool sign) {
        std::size_t i = sign && !t.empty() && t[0] == '-' ? 1 : 0;
        if (i >= t.size()) {
            return false;
        }
        for (; i < t.size(); ++i) {
            if (t[i] < '0' || t[i] > '9') {
                return false;
            }
        }
        return true;
    }

    void Digits(Ctl c, bool sign) {
        const Text value = T(c);
        if (!value.empty() && !AllDigits(value, sign)) {
            Broken(c, sign ? "not a whole number" : "not digits only");
        }
    }

    // Whole characters of the CJK block the place-name patterns take.
    void ChineseRun(Ctl c) {
        const Text value = T(c);
        if (value.empty()) {
            return;
        }
        const std::u16string units = GbkToUtf16(value);
        bool ok = Utf16ToGbk(units) == value;
        for (char16_t u : units) {
            ok = ok && u >= 0x4E00 && u <= 0x9FA5;
        }
        if (!ok) {
            Broken(c, "not a run of Chinese characters");
        }
    }

    void CheckEveryText() {
        for (const ControlDef& control : Controls()) {
            if (control.kind != ControlKind::EditBox && control.kind != ControlKind::Label &&
                control.kind != ControlKind::HyperLinker) {
                continue;
            }
            const Text value = T(control.id);
            if (value.find('\0') != Text::npos) {
                Broken(control.id, "holds a zero byte");
            }
            // The page stores hold a whole body at most.
            if (value.size() > kMaxBodyBytes) {
                Broken(control.id, "larger than a body may be");
            }
            if (control.kind == ControlKind::HyperLinker &&
                w_.ReadLinkAddress(control.id).size() > 999) {
                Broken(control.id, "link address longer than its window");
            }
        }
    }

    void CheckStatus() {
        const Text status = w_.StatusText();
        if (!status.empty() && status != Gbk("获取店铺信息失败!") &&
            status != Gbk("该账号不存在!") && status != Gbk("该账号被查封!")) {
            broken_.push_back("status bar: not one of the three stop messages");
        }
        if (w_.MessageBoxCount() != 0) {
            broken_.push_back("a message box was shown for a query with an account name");
        }
    }

    void CheckVocabularies() {
        OneOf(Ctl::编辑框14, {"男", "女"});
        OneOf(Ctl::编辑框3, {"天猫ID", "卖家为主", "买家为主"});
        OneOf(Ctl::编辑框29, {"有", "无"});
        OneOf(Ctl::编辑框197, {"在线", "不在线"});
        OneOf(Ctl::编辑框196, {"支持信用卡直接付款"});
        OneOf(Ctl::超级链接框3, {"出售中的宝贝"});
        if (T(Ctl::编辑框23) != Gbk("无")) {
            AtMost(Ctl::编辑框23, 99);
        }
        if (T(Ctl::编辑框15) != "0") {
            AtMost(Ctl::编辑框15, 9);
        }
    }

    void CheckWindows() {
        static constexpr std::array<std::pair<Ctl, std::size_t>, 27> kWindows = {{
            {Ctl::编辑框24, 888},
            {Ctl::编辑框10, 9999},
            {Ctl::超级链接框1, 24},
            {Ctl::编辑框11, 33},
            {Ctl::编辑框25, 33},
            {Ctl::编辑框203, 400},
            {Ctl::编辑框26, 9},
            {Ctl::编辑框27, 9},
            {Ctl::编辑框28, 9},
            {Ctl::编辑框204, 999},
            {Ctl::编辑框205, 999},
            {Ctl::编辑框中评7, 3},
            {Ctl::编辑框中评6, 9999},
            {Ctl::编辑框中评5, 9999},
            {Ctl::编辑框198, 99},
            {Ctl::编辑框201, 19},
            {Ctl::编辑框202, 19},
            {Ctl::编辑框200, 99},
            {Ctl::编辑框199, 99},
            {Ctl::编辑框6, 9999},
            {Ctl::编辑框12, 24},
            {Ctl::编辑框13, 6},
            {Ctl::编辑框17, 99},
            {Ctl::编辑框18, 99},
            {Ctl::编辑框2, kMaxBodyBytes},
            {Ctl::编辑框82, kMaxBodyBytes},
            {Ctl::编辑框98, kMaxBodyBytes},
        }};
        for (const auto& [control, bytes] : kWindows) {
            AtMost(control, bytes);
        }
        // The buyer credit comes from a window, or from a digits-only pattern group.
        if (!AllDigits(T(Ctl::编辑框7), false)) {
            AtMost(Ctl::编辑框7, 9999);
        }
    }

    void CheckDigits() {
        Digits(Ctl::编辑框4, false);
        Digits(Ctl::编辑框好评, true);
        Digits(Ctl::编辑框中评, true);
        Digits(Ctl::编辑框差评, true);
        for (Ctl c : {Ctl::编辑框一周好, Ctl::编辑框一周中, Ctl::编辑框一周差, Ctl::编辑框一月好,
                      Ctl::编辑框一月中, Ctl::编辑框一月差, Ctl::编辑框半年好, Ctl::编辑框半年中,
                      Ctl::编辑框半年差, Ctl::编辑框年前好, Ctl::编辑框年前中, Ctl::编辑框年前差}) {
            Digits(c, false);
        }
    }

    void CheckPatternValues() {
        ChineseRun(Ctl::编辑框8);
        ChineseRun(Ctl::编辑框5);
        if (T(Ctl::编辑框8).find(Gbk("创店时间")) != Text::npos) {
            Broken(Ctl::编辑框8, "kept a run holding the shop date word");
        }
        const Text rate = T(Ctl::编辑框19);
        if (!rate.empty() && rate.back() != '%') {
            Broken(Ctl::编辑框19, "does not end in %");
        }
        // Both patterns that write the shop start date stop at a line feed.
        const Text date = T(Ctl::编辑框9);
        if (date != Gbk("此人不是卖家") && date.find('\n') != Text::npos) {
            Broken(Ctl::编辑框9, "crosses a line break");
        }
    }

    void CheckServices() {
        const Text services = T(Ctl::标签47);
        if (services.empty() || services == Gbk("无")) {
            return;
        }
        static const std::array<const char*, 8> kShown = {
            "消费者保障  ", "7天退换  ",  "30天维修  ", "假一赔三  ",
            "24小时发货  ", "正品保障  ", "提供发票  ", "先行赔付"};
        std::size_t at = 0;
        for (const char* shown : kShown) {
            const Text piece = Gbk(shown);
            if (services.compare(at, piece.size(), piece) == 0) {
                at += piece.size();
            }
        }
        if (at != services.size()) {
            Broken(Ctl::标签47, "not the commitments in table order");
        }
    }

    void CheckRows() {
        const ByteBuffer icons[] = {assets::ToByteBuffer(assets::GoodRatingIcon()),
                                    assets::ToByteBuffer(assets::NeutralRatingIcon()),
                                    assets::ToByteBuffer(assets::BadRatingIcon())};
        for (int page = 1; page <= 2; ++page) {
            bool previousFilled = true;
            for (const RatingRow& row : RatingRows(page)) {
                AtMost(row.comment, 999);
                AtMost(row.nickname, 999);
                AtMost(row.itemLine, 3 * 999 + 6);
                const Text line = T(row.itemLine);
                const bool filled = !line.empty();
                if (filled && line.find(" | ") == Text::npos) {
                    Broken(row.itemLine, "item line without its separators");
                }
                if (filled && !previousFilled) {
                    Broken(row.itemLine, "row filled after an empty row");
                }
                const ByteBuffer& icon = w_.ReadPicture(row.icon);
                const bool known = icon == icons[0] || icon == icons[1] || icon == icons[2];
                if (filled ? !known : !icon.empty()) {
                    Broken(row.itemLine, "row icon does not match the row");
                }
                previousFilled = filled;
            }
        }
    }

    // Warnings in their order, or one of the three good verdicts; the picture
    // follows the text.
    void CheckBuyerVerdict() {
        const Text verdict = T(Ctl::标签38);
        const ByteBuffer& picture = w_.ReadPicture(Ctl::图片框5);
        const ByteBuffer tick = assets::ToByteBuffer(assets::TickPicture());
        const ByteBuffer cross = assets::ToByteBuffer(assets::CrossPicture());
        if (verdict.empty()) {
            if (!picture.empty()) {
                Broken(Ctl::标签38, "picture without a verdict");
            }
            return;
        }
        if (verdict == Gbk("良民.") || verdict == Gbk("大大的良民.") ||
            verdict == Gbk("小心应付，问题不大.")) {
            if (picture != tick) {
                Broken(Ctl::标签38, "good verdict without the tick");
            }
            return;
        }
        static const std::array<const char*, 4> kWarnings = {
            "帐号注册日期小于30日！  ", "非善类！给的中评大于3个！  ", "很挑剔！有给差评的记录！",
            "红色警报：叼民！"};
        std::size_t at = 0;
        std::array<bool, 4> present{};
        for (std::size_t i = 0; i < kWarnings.size(); ++i) {
            const Text piece = Gbk(kWarnings[i]);
            if (verdict.compare(at, piece.size(), piece) == 0) {
                at += piece.size();
                present[i] = true;
            }
        }
        if (at != verdict.size()) {
            Broken(Ctl::标签38, "not the warnings in their order");
        }
        if (present[3] && !(present[1] && present[2])) {
            Broken(Ctl::标签38, "red alert without both of its causes");
        }
        if (picture != cross) {
            Broken(Ctl::标签38, "warning without the cross");
        }
    }

    void CheckSellerVerdict() {
        const Text verdict = T(Ctl::标签48);
        const ByteBuffer& picture = w_.ReadPicture(Ctl::图片框8);
        if (verdict.empty() || verdict == Gbk("此人无店铺.")) {
            if (!picture.empty()) {
                Broken(Ctl::标签48, "picture without a size verdict");
            }
            return;
        }
        static const std::array<std::pair<const char*, int>, 4> kSizes = {{
            {"经营不善，门可罗雀.", 2},
            {"小店经营，门庭冷落.", 0},
            {"中等商铺，蒸蒸日上.", 1},
            {"专业店铺，门庭若市.", 1},
        }};
        static const std::array<const char*, 6> kTags = {
            " [黑店]", " [不诚信]", " [注意质量]", " [产品一般]", " [诚信商家]", " [产品尚可]"};
        for (const auto& [size, pictureKind] : kSizes) {
            const Text sizeText = Gbk(size);
            if (verdict.compare(0, sizeText.size(), sizeText) != 0) {
                continue;
            }
            const Text tag = verdict.substr(sizeText.size());
            bool knownTag = false;
            for (const char* t : kTags) {
                knownTag = knownTag || tag == Gbk(t);
            }
            if (!knownTag) {
                Broken(Ctl::标签48, "size verdict without exactly one tag");
            }
            const ByteBuffer expected =
                pictureKind == 0 ? ByteBuffer()
                                 : assets::ToByteBuffer(pictureKind == 1 ? assets::TickPicture()
                                                                         : assets::CrossPicture());
            if (picture != expected) {
                Broken(Ctl::标签48, "picture does not follow the size verdict");
            }
            return;
        }
        Broken(Ctl::标签48, "not a seller verdict");
    }

    void CheckPictures() {
        const ByteBuffer& licence = w_.ReadPicture(Ctl::图片框15);
        if (!licence.empty() && licence != assets::ToByteBuffer(assets::LicenceIcon())) {
            Broken(Ctl::编辑框29, "licence box shows something else than the licence icon");
        }
        if (!licence.empty() && T(Ctl::编辑框29) != Gbk("有")) {
            Broken(Ctl::编辑框29, "licence icon without a licence");
        }
        for (Ctl c : {Ctl::图片框9, Ctl::图片框10, Ctl::图片框11, Ctl::图片框12, Ctl::图片框13,
                      Ctl::图片框14}) {
            const ByteBuffer& bytes = w_.ReadPicture(c);
            if (!bytes.empty() && DetectPictureFormat(bytes) != PictureFormat::Jpeg) {
                broken_.push_back(Name(c) + ": honour picture that is not a JPEG");
            }
        }
        if (!options_.servedPicture) {
            return;
        }
        for (Ctl c : {Ctl::图片框1, Ctl::图片框6, Ctl::图片框7, Ctl::图片框72}) {
            const ByteBuffer& bytes = w_.ReadPicture(c);
            if (!bytes.empty() && !options_.servedPicture(bytes)) {
                broken_.push_back(Name(c) + ": shows bytes no server sent");
            }
        }
    }

    const FieldStore& w_;
    const FieldRuleOptions& options_;
    std::vector<std::string> broken_;
};

}  // namespace

std::vector<std::string> BrokenFieldRules(const FieldStore& window,
                                          const FieldRuleOptions& options) {
    return Checker(window, options).Run();
}

}  // namespace kestrova::fuzz
