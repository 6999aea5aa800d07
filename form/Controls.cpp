#include "form/Controls.h"

#include "form/RatingRows.h"

#include <stdexcept>

namespace kestrova {
namespace {

// The enumerator and its name come from one spelling, so they cannot drift apart.
#define K(control) Ctl::control, #control

struct Look {
    Border border = Border::None;
    Align align = Align::Left;
    Style style = Style::Plain;
    bool readOnly = false;
    bool multiLine = false;
};

constexpr Look kPlain{};
constexpr Look kRight{Border::None, Align::Right};
constexpr Look kBoldRed{Border::None, Align::Left, Style::BoldRed};
constexpr Look kMagenta{Border::None, Align::Left, Style::Magenta};
constexpr Look kRedText{Border::None, Align::Left, Style::RedText};
constexpr Look kSunken{Border::Sunken};
constexpr Look kScratchMultiLine{Border::Sunken, Align::Left, Style::Plain, false, true};
constexpr Look kLine{Border::Line};
constexpr Look kLineCentred{Border::Line, Align::Center};
constexpr Look kRateLook{Border::Thin, Align::Center, Style::RedText};
constexpr Look kCounter{Border::Thin, Align::Center, Style::Plain, true};
constexpr Look kHeaderCell{Border::Line, Align::Center, Style::HeaderCell};
constexpr Look kGridCell{Border::Line, Align::Center, Style::Plain, true};
constexpr Look kAccountLook{Border::Line, Align::Center, Style::WhiteOnBlack};
constexpr Look kBanner{Border::None, Align::Left, Style::Banner};

// Must stay the address the exit link opens (endpoints::kMakerAddress); form/
// does not see web/, so a test compares the two.
constexpr const char* kMakerAddress = "http://www.orvanel.com/";
constexpr const char* kMakerCaption = "Orvanel：http://www.orvanel.com/";

constexpr ControlDef Make(Ctl id, const char* name, ControlKind kind, Ctl parent, int page,
                          Rect rect, const char* caption, Look look, bool result,
                          const char* link = "") {
    return {.id = id,
            .name = name,
            .kind = kind,
            .parent = parent,
            .page = page,
            .rect = rect,
            .caption = caption,
            .border = look.border,
            .align = look.align,
            .style = look.style,
            .readOnly = look.readOnly,
            .multiLine = look.multiLine,
            .result = result,
            .link = link};
}

constexpr ControlDef Group(Ctl id, const char* name, Rect rect, const char* caption) {
    return Make(id, name, ControlKind::GroupBox, kWindow, 0, rect, caption, kPlain, false);
}

constexpr ControlDef Label(Ctl id, const char* name, Ctl parent, Rect rect, const char* caption,
                           Look look = kPlain) {
    return Make(id, name, ControlKind::Label, parent, 0, rect, caption, look, false);
}

// A label the query fills (the verdicts and the shop services): empty at start.
constexpr ControlDef Verdict(Ctl id, const char* name, Ctl parent, Rect rect, Look look) {
    return Make(id, name, ControlKind::Label, parent, 0, rect, "", look, true);
}

constexpr ControlDef Edit(Ctl id, const char* name, Ctl parent, Rect rect, Look look = kSunken) {
    return Make(id, name, ControlKind::EditBox, parent, 0, rect, "", look, true);
}

// The one field the user fills; the reset leaves it alone.
constexpr ControlDef Account(Ctl id, const char* name, Ctl parent, Rect rect) {
    return Make(id, name, ControlKind::EditBox, parent, 0, rect, "", kAccountLook, false);
}

constexpr ControlDef Button(Ctl id, const char* name, Ctl parent, Rect rect, const char* caption) {
    return Make(id, name, ControlKind::Button, parent, 0, rect, caption,
                Look{Border::None, Align::Center}, false);
}

constexpr ControlDef Pic(Ctl id, const char* name, Ctl parent, Rect rect, Look look = kPlain) {
    return Make(id, name, ControlKind::PicBox, parent, 0, rect, "", look, true);
}

// A picture that belongs to the design (the rating icons): shown from the
// start and never cleared.
constexpr ControlDef Icon(Ctl id, const char* name, Ctl parent, Rect rect) {
    return Make(id, name, ControlKind::PicBox, parent, 0, rect, "", kPlain, false);
}

constexpr ControlDef Link(Ctl id, const char* name, Ctl parent, Rect rect) {
    return Make(id, name, ControlKind::HyperLinker, parent, 0, rect, "",
                Look{Border::None, Align::Center}, true);
}

constexpr ControlDef MakerLink(Ctl id, const char* name, Rect rect) {
    return Make(id, name, ControlKind::HyperLinker, kWindow, 0, rect, kMakerCaption,
                Look{Border::None, Align::Center}, false, kMakerAddress);
}

constexpr ControlDef TransLabel(Ctl id, const char* name, Rect rect, const char* caption) {
    return Make(id, name, ControlKind::TransLabel, kWindow, 0, rect, caption, kBanner, false);
}

constexpr ControlDef StatusBar(Ctl id, const char* name) {
    return Make(id, name, ControlKind::StatusBar, kWindow, 0,
                {0, kClientHeight - 20, kClientWidth, 20}, "", kPlain, false);
}

constexpr ControlDef Timer(Ctl id, const char* name, Rect rect) {
    return Make(id, name, ControlKind::Timer, kWindow, 0, rect, "", kPlain, false);
}

constexpr ControlDef Script(Ctl id, const char* name, Rect rect) {
    return Make(id, name, ControlKind::Script, kWindow, 0, rect, "", kPlain, false);
}

constexpr ControlDef Tab(Ctl id, const char* name, Rect rect) {
    return Make(id, name, ControlKind::TabBox, kWindow, 0, rect, "", kPlain, false);
}

// Every control except the rating rows of the tab control, in enumerator order.
constexpr auto kFixedControls = std::to_array<ControlDef>({
    Group(K(分组框1), {1, -5, 555, 53}, ""),
    Label(K(标签1), Ctl::分组框1, {9, 17, 64, 24}, "淘宝帐号："),
    Account(K(编辑框1), Ctl::分组框1, {73, 16, 181, 25}),
    Button(K(按钮1), Ctl::分组框1, {269, 9, 127, 41}, "查 询"),
    Label(K(标签25), Ctl::分组框1, {414, 18, 48, 24}, "好评率："),
    Edit(K(编辑框19), Ctl::分组框1, {467, 19, 62, 20}, kRateLook),
    Label(K(标签37), kWindow, {6, 55, 62, 24}, "买家分析：", kBoldRed),
    Pic(K(图片框5), kWindow, {70, 51, 32, 30}),
    Verdict(K(标签38), kWindow, {103, 54, 170, 24}, kMagenta),
    Label(K(标签49), kWindow, {274, 55, 58, 24}, "卖家分析：", kBoldRed),
    Pic(K(图片框8), kWindow, {337, 53, 32, 30}),
    Verdict(K(标签48), kWindow, {373, 55, 179, 24}, kMagenta),
    Group(K(分组框2), {1, 81, 555, 349}, ""),
    Label(K(标签2), Ctl::分组框2, {9, 10, 54, 24}, "帐号性质："),
    Edit(K(编辑框3), Ctl::分组框2, {71, 11, 88, 20}, kLine),
    Label(K(标签10), Ctl::分组框2, {180, 10, 56, 24}, "上次登陆："),
    Edit(K(编辑框10), Ctl::分组框2, {239, 11, 88, 20}, kLine),
    Label(K(标签19), Ctl::分组框2, {346, 10, 56, 24}, "获得荣誉："),
    Pic(K(图片框9), Ctl::分组框2, {407, 11, 22, 20}),
    Pic(K(图片框10), Ctl::分组框2, {430, 11, 22, 20}),
    Pic(K(图片框11), Ctl::分组框2, {454, 11, 22, 20}),
    Pic(K(图片框12), Ctl::分组框2, {480, 11, 22, 20}),
    Pic(K(图片框13), Ctl::分组框2, {504, 11, 22, 20}),
    Pic(K(图片框14), Ctl::分组框2, {530, 11, 22, 20}),
    Label(K(标签3), Ctl::分组框2, {9, 34, 56, 24}, "  淘宝ID："),
    Edit(K(编辑框4), Ctl::分组框2, {71, 35, 88, 20}, kLine),
    Label(K(标签15), Ctl::分组框2, {180, 34, 56, 24}, "当前主营："),
    Edit(K(编辑框12), Ctl::分组框2, {239, 35, 88, 20}, kLine),
    Label(K(标签36), Ctl::分组框2, {346, 34, 56, 24}, "淘宝店铺："),
    Link(K(超级链接框1), Ctl::分组框2, {408, 36, 143, 20}),
    Label(K(标签4), Ctl::分组框2, {9, 58, 56, 24}, "认证情况："),
    Edit(K(编辑框5), Ctl::分组框2, {71, 59, 88, 20}, kLine),
    Label(K(标签16), Ctl::分组框2, {180, 58, 56, 24}, "会员情况："),
    Edit(K(编辑框13), Ctl::分组框2, {239, 59, 88, 20}, kLine),
    Label(K(标签14), Ctl::分组框2, {346, 58, 56, 24}, "宝贝信息："),
    Link(K(超级链接框3), Ctl::分组框2, {408, 59, 74, 20}),
    Label(K(标签5), Ctl::分组框2, {9, 82, 56, 24}, "  卖信用："),
    Edit(K(编辑框6), Ctl::分组框2, {71, 83, 40, 20}, kLine),
    Pic(K(图片框6), Ctl::分组框2, {114, 83, 56, 20}),
    Label(K(标签40), Ctl::分组框2, {180, 82, 56, 24}, "    姓名："),
    Edit(K(编辑框11), Ctl::分组框2, {239, 83, 88, 20}, kLine),
    Label(K(标签46), Ctl::分组框2, {346, 81, 105, 24}, "实体店及营业执照："),
    Edit(K(编辑框29), Ctl::分组框2, {452, 83, 55, 20}, kLine),
    Pic(K(图片框15), Ctl::分组框2, {511, 82, 22, 20}),
    Label(K(标签6), Ctl::分组框2, {9, 106, 56, 24}, "  买信用："),
    Edit(K(编辑框7), Ctl::分组框2, {71, 107, 40, 20}, kLine),
    Pic(K(图片框7), Ctl::分组框2, {115, 106, 56, 20}),
    Label(K(标签17), Ctl::分组框2, {180, 106, 56, 24}, "    性别："),
    Edit(K(编辑框14), Ctl::分组框2, {239, 107, 88, 20}, kLine),
    Label(K(标签108), Ctl::分组框2, {345, 133, 56, 24}, "店铺LOGO："),
    Pic(K(图片框72), Ctl::分组框2, {407, 107, 145, 75}, kLine),
    Label(K(标签7), Ctl::分组框2, {9, 128, 78, 24}, "注册时添地址："),
    Edit(K(编辑框8), Ctl::分组框2, {89, 131, 70, 20}, kLine),
    Label(K(标签112), Ctl::分组框2, {180, 130, 56, 24}, "    学校："),
    Edit(K(编辑框204), Ctl::分组框2, {239, 131, 88, 20}, kLine),
    Label(K(标签111), Ctl::分组框2, {8, 152, 54, 24}, "真实地址："),
    Edit(K(编辑框203), Ctl::分组框2, {71, 155, 88, 20}, kLine),
    Label(K(标签113), Ctl::分组框2, {180, 153, 56, 24}, "    单位："),
    Edit(K(编辑框205), Ctl::分组框2, {239, 155, 88, 20}, kLine),
    Label(K(标签39), Ctl::分组框2, {9, 177, 56, 24}, "注册时间："),
    Edit(K(编辑框24), Ctl::分组框2, {71, 179, 88, 20}, kLine),
    Label(K(标签41), Ctl::分组框2, {180, 177, 56, 24}, "城市区号："),
    Edit(K(编辑框25), Ctl::分组框2, {239, 179, 88, 20}, kLine),
    Label(K(标签21), Ctl::分组框2, {346, 235, 56, 24}, "个人照片："),
    Pic(K(图片框1), Ctl::分组框2, {407, 181, 145, 139}, kLine),
    Label(K(标签9), Ctl::分组框2, {9, 201, 56, 24}, "创店时间："),
    Edit(K(编辑框9), Ctl::分组框2, {71, 203, 88, 20}, kLine),
    Label(K(标签22), Ctl::分组框2, {180, 201, 56, 24}, "主营行业："),
    Edit(K(编辑框17), Ctl::分组框2, {239, 203, 100, 20}, kLine),
    Label(K(标签104), Ctl::分组框2, {33, 225, 30, 24}, "旺旺："),
    Edit(K(编辑框197), Ctl::分组框2, {70, 227, 89, 20}, kLine),
    Label(K(标签24), Ctl::分组框2, {180, 225, 56, 24}, "主营占比："),
    Edit(K(编辑框18), Ctl::分组框2, {239, 227, 100, 20}, kLine),
    Label(K(标签105), Ctl::分组框2, {9, 249, 57, 24}, "商品数量："),
    Edit(K(编辑框198), Ctl::分组框2, {70, 251, 89, 20}, kLine),
    Label(K(标签103), Ctl::分组框2, {168, 249, 69, 24}, "信用卡付款："),
    Edit(K(编辑框196), Ctl::分组框2, {239, 251, 100, 20}, kLine),
    Label(K(标签109), Ctl::分组框2, {8, 273, 79, 24}, "虚拟宝贝交易："),
    Edit(K(编辑框201), Ctl::分组框2, {87, 275, 72, 20}, kLine),
    Label(K(标签106), Ctl::分组框2, {180, 273, 57, 24}, "收藏人气："),
    Edit(K(编辑框199), Ctl::分组框2, {239, 275, 100, 20}, kLine),
    Label(K(标签110), Ctl::分组框2, {8, 297, 79, 24}, "实物宝贝交易："),
    Edit(K(编辑框202), Ctl::分组框2, {87, 299, 72, 20}, kLine),
    Label(K(标签107), Ctl::分组框2, {180, 297, 57, 24}, "信用等级："),
    Edit(K(编辑框200), Ctl::分组框2, {239, 299, 100, 20}, kLine),
    Label(K(标签45), Ctl::分组框2, {170, 326, 117, 20}, "写日志：         篇"),
    Edit(K(编辑框15), Ctl::分组框2, {220, 325, 48, 20}, kLineCentred),
    Label(K(标签42), Ctl::分组框2, {301, 326, 38, 20}, "粉丝："),
    Edit(K(编辑框26), Ctl::分组框2, {338, 325, 32, 20}, kLineCentred),
    Label(K(标签43), Ctl::分组框2, {378, 326, 48, 20}, "受关注："),
    Edit(K(编辑框27), Ctl::分组框2, {427, 325, 26, 20}, kLineCentred),
    Label(K(标签44), Ctl::分组框2, {461, 326, 47, 20}, "访问量："),
    Edit(K(编辑框28), Ctl::分组框2, {511, 325, 41, 20}, kLineCentred),
    Edit(K(编辑框2), Ctl::分组框2, {-265, 120, 80, 20}),
    Edit(K(编辑框98), Ctl::分组框2, {-409, 640, 360, 120}, kScratchMultiLine),
    Group(K(分组框7), {1, 436, 555, 46}, "店铺服务："),
    Verdict(K(标签47), Ctl::分组框7, {9, 16, 410, 24}, kRedText),
    Label(K(标签20), Ctl::分组框7, {425, 15, 128, 24}, "保证金：           元"),
    Edit(K(编辑框23), Ctl::分组框7, {471, 16, 65, 20}, kLineCentred),
    Group(K(分组框4), {1, 490, 555, 46}, "给出评价："),
    Icon(K(图片框4), Ctl::分组框4, {69, 18, 16, 16}),
    Label(K(标签30), Ctl::分组框4, {92, 15, 24, 24}, "好评", kRight),
    Edit(K(编辑框好评), Ctl::分组框4, {124, 14, 50, 24}, kCounter),
    Icon(K(图片框2), Ctl::分组框4, {229, 18, 16, 16}),
    Label(K(标签27), Ctl::分组框4, {252, 15, 24, 24}, "中评", kRight),
    Edit(K(编辑框中评), Ctl::分组框4, {284, 14, 50, 24}, kCounter),
    Icon(K(图片框3), Ctl::分组框4, {388, 18, 16, 16}),
    Label(K(标签29), Ctl::分组框4, {411, 15, 24, 24}, "差评", kRight),
    Edit(K(编辑框差评), Ctl::分组框4, {443, 14, 50, 24}, kCounter),
    Group(K(分组框6), {1, 545, 555, 48}, "店铺半年内评分："),
    Label(K(标签35), Ctl::分组框6, {11, 16, 149, 24}, "宝贝描述相符：        分.", kRight),
    Edit(K(编辑框中评7), Ctl::分组框6, {96, 16, 41, 24}, kCounter),
    Label(K(标签34), Ctl::分组框6, {184, 16, 167, 24}, "卖家的服务态度：        分.", kRight),
    Edit(K(编辑框中评6), Ctl::分组框6, {286, 16, 41, 24}, kCounter),
    Label(K(标签26), Ctl::分组框6, {367, 16, 176, 24}, "卖家的发货速度：        分.", kRight),
    Edit(K(编辑框中评5), Ctl::分组框6, {479, 16, 41, 24}, kCounter),
    Group(K(分组框3), {1, 591, 555, 130}, ""),
    Label(K(标签评价), Ctl::分组框3, {3, 10, 146, 24}, "收到评价", kHeaderCell),
    Label(K(标签18), Ctl::分组框3, {148, 10, 135, 24}, "好评", kHeaderCell),
    Label(K(标签28), Ctl::分组框3, {282, 10, 135, 24}, "中评", kHeaderCell),
    Label(K(标签23), Ctl::分组框3, {416, 10, 135, 24}, "差评", kHeaderCell),
    Label(K(标签8), Ctl::分组框3, {3, 33, 146, 24}, "最近一周", kLineCentred),
    Edit(K(编辑框一周好), Ctl::分组框3, {148, 33, 135, 24}, kGridCell),
    Edit(K(编辑框一周中), Ctl::分组框3, {282, 33, 135, 24}, kGridCell),
    Edit(K(编辑框一周差), Ctl::分组框3, {416, 33, 135, 24}, kGridCell),
    Label(K(标签12), Ctl::分组框3, {3, 56, 146, 24}, "最近一月", kLineCentred),
    Edit(K(编辑框一月好), Ctl::分组框3, {148, 56, 135, 24}, kGridCell),
    Edit(K(编辑框一月中), Ctl::分组框3, {282, 56, 135, 24}, kGridCell),
    Edit(K(编辑框一月差), Ctl::分组框3, {416, 56, 135, 24}, kGridCell),
    Label(K(标签11), Ctl::分组框3, {3, 79, 146, 24}, "最近半年", kLineCentred),
    Edit(K(编辑框半年好), Ctl::分组框3, {148, 79, 135, 24}, kGridCell),
    Edit(K(编辑框半年中), Ctl::分组框3, {282, 79, 135, 24}, kGridCell),
    Edit(K(编辑框半年差), Ctl::分组框3, {416, 79, 135, 24}, kGridCell),
    Label(K(标签13), Ctl::分组框3, {3, 102, 146, 24}, "半年以前", kLineCentred),
    Edit(K(编辑框年前好), Ctl::分组框3, {148, 102, 135, 24}, kGridCell),
    Edit(K(编辑框年前中), Ctl::分组框3, {282, 102, 135, 24}, kGridCell),
    Edit(K(编辑框年前差), Ctl::分组框3, {416, 102, 135, 24}, kGridCell),
    TransLabel(K(透明标签2), {584, 10, 400, 48}, "淘宝信息专业查询分析"),
    StatusBar(K(状态条1)),
    MakerLink(K(超级链接框2), {861, 721, 143, 18}),
    Edit(K(编辑框82), kWindow, {96, -128, 80, 20}),
    Timer(K(时钟1), {568, 32, 26, 26}),
    Script(K(脚本组件1), {576, 8, 26, 26}),
    Tab(K(选择夹1), {559, 78, 450, 642}),
});

#undef K

struct Named {
    Ctl id;
    const char* name;
};
// clang-format off
#define N(control) Named{Ctl::control, #control}
// clang-format on

// One row of five controls on a tab page. The edit boxes sit at the row's top,
// the caption label two pixels higher and the icon one pixel higher.
struct RowSpec {
    int top;
    Named item;
    Named label;
    Named comment;
    Named icon;
    Named nickname;
};

constexpr std::array<RowSpec, 28> kGivenRows = {{
    {34, N(编辑框140), N(标签31), N(编辑框16), N(图片框16), N(编辑框20)},   // 1
    {56, N(编辑框141), N(标签32), N(编辑框21), N(图片框17), N(编辑框22)},   // 2
    {77, N(编辑框142), N(标签33), N(编辑框30), N(图片框18), N(编辑框31)},   // 3
    {99, N(编辑框143), N(标签50), N(编辑框32), N(图片框19), N(编辑框33)},   // 4
    {120, N(编辑框144), N(标签54), N(编辑框34), N(图片框20), N(编辑框35)},  // 5
    {142, N(编辑框145), N(标签53), N(编辑框36), N(图片框21), N(编辑框37)},  // 6
    {163, N(编辑框146), N(标签51), N(编辑框38), N(图片框22), N(编辑框39)},  // 7
    {185, N(编辑框147), N(标签52), N(编辑框40), N(图片框23), N(编辑框41)},  // 8
    {206, N(编辑框148), N(标签55), N(编辑框42), N(图片框24), N(编辑框43)},  // 9
    {228, N(编辑框149), N(标签56), N(编辑框44), N(图片框25), N(编辑框45)},  // 10
    {249, N(编辑框150), N(标签66), N(编辑框65), N(图片框35), N(编辑框64)},  // 11
    {271, N(编辑框151), N(标签65), N(编辑框62), N(图片框34), N(编辑框63)},  // 12
    {292, N(编辑框152), N(标签63), N(编辑框60), N(图片框33), N(编辑框61)},  // 13
    {314, N(编辑框153), N(标签64), N(编辑框58), N(图片框32), N(编辑框59)},  // 14
    {335, N(编辑框154), N(标签62), N(编辑框56), N(图片框31), N(编辑框57)},  // 15
    {357, N(编辑框155), N(标签61), N(编辑框54), N(图片框30), N(编辑框55)},  // 16
    {378, N(编辑框168), N(标签59), N(编辑框52), N(图片框29), N(编辑框53)},  // 17
    {400, N(编辑框167), N(标签60), N(编辑框50), N(图片框28), N(编辑框51)},  // 18
    {421, N(编辑框165), N(标签57), N(编辑框48), N(图片框27), N(编辑框49)},  // 19
    {443, N(编辑框166), N(标签58), N(编辑框46), N(图片框26), N(编辑框47)},  // 20
    {465, N(编辑框161), N(标签73), N(编辑框80), N(图片框43), N(编辑框81)},  // 21
    {487, N(编辑框162), N(标签74), N(编辑框78), N(图片框42), N(编辑框79)},  // 22
    {508, N(编辑框163), N(标签72), N(编辑框76), N(图片框41), N(编辑框77)},  // 23
    {530, N(编辑框164), N(标签71), N(编辑框74), N(图片框40), N(编辑框75)},  // 24
    {551, N(编辑框156), N(标签69), N(编辑框72), N(图片框39), N(编辑框73)},  // 25
    {573, N(编辑框157), N(标签70), N(编辑框70), N(图片框38), N(编辑框71)},  // 26
    {594, N(编辑框158), N(标签67), N(编辑框68), N(图片框37), N(编辑框69)},  // 27
    {616, N(编辑框159), N(标签68), N(编辑框66), N(图片框36), N(编辑框67)},  // 28
}};

constexpr std::array<RowSpec, 28> kReceivedRows = {{
    {34, N(编辑框195), N(标签102), N(编辑框139), N(图片框71), N(编辑框138)},  // 1
    {56, N(编辑框194), N(标签101), N(编辑框136), N(图片框70), N(编辑框137)},  // 2
    {77, N(编辑框192), N(标签99), N(编辑框134), N(图片框69), N(编辑框135)},   // 3
    {99, N(编辑框193), N(标签100), N(编辑框132), N(图片框68), N(编辑框133)},  // 4
    {120, N(编辑框188), N(标签98), N(编辑框130), N(图片框67), N(编辑框131)},  // 5
    {142, N(编辑框189), N(标签97), N(编辑框128), N(图片框66), N(编辑框129)},  // 6
    {163, N(编辑框190), N(标签95), N(编辑框126), N(图片框65), N(编辑框127)},  // 7
    {185, N(编辑框191), N(标签96), N(编辑框124), N(图片框64), N(编辑框125)},  // 8
    {206, N(编辑框180), N(标签93), N(编辑框122), N(图片框63), N(编辑框123)},  // 9
    {228, N(编辑框181), N(标签94), N(编辑框120), N(图片框62), N(编辑框121)},  // 10
    {249, N(编辑框182), N(标签92), N(编辑框119), N(图片框61), N(编辑框118)},  // 11
    {271, N(编辑框183), N(标签91), N(编辑框116), N(图片框60), N(编辑框117)},  // 12
    {292, N(编辑框184), N(标签89), N(编辑框114), N(图片框59), N(编辑框115)},  // 13
    {314, N(编辑框185), N(标签90), N(编辑框112), N(图片框58), N(编辑框113)},  // 14
    {335, N(编辑框186), N(标签88), N(编辑框110), N(图片框57), N(编辑框111)},  // 15
    {357, N(编辑框187), N(标签87), N(编辑框108), N(图片框56), N(编辑框109)},  // 16
    {378, N(编辑框179), N(标签85), N(编辑框106), N(图片框55), N(编辑框107)},  // 17
    {400, N(编辑框178), N(标签86), N(编辑框104), N(图片框54), N(编辑框105)},  // 18
    {421, N(编辑框176), N(标签83), N(编辑框102), N(图片框53), N(编辑框103)},  // 19
    {443, N(编辑框177), N(标签84), N(编辑框100), N(图片框52), N(编辑框101)},  // 20
    {465, N(编辑框172), N(标签81), N(编辑框97), N(图片框51), N(编辑框99)},    // 21
    {487, N(编辑框173), N(标签82), N(编辑框95), N(图片框50), N(编辑框96)},    // 22
    {508, N(编辑框174), N(标签80), N(编辑框93), N(图片框49), N(编辑框94)},    // 23
    {530, N(编辑框175), N(标签79), N(编辑框91), N(图片框48), N(编辑框92)},    // 24
    {551, N(编辑框160), N(标签77), N(编辑框89), N(图片框47), N(编辑框90)},    // 25
    {573, N(编辑框169), N(标签78), N(编辑框87), N(图片框46), N(编辑框88)},    // 26
    {594, N(编辑框170), N(标签75), N(编辑框85), N(图片框45), N(编辑框86)},    // 27
    {616, N(编辑框171), N(标签76), N(编辑框83), N(图片框44), N(编辑框84)},    // 28
}};

#undef N

// Seven spaces before 留言, 27 between the two words.
constexpr const char* kGivenRowCaption = "       留言：                           卖家：";
constexpr const char* kReceivedRowCaption = "       留言：                           买家：";

using Table = std::array<ControlDef, kControlCount>;

constexpr void AppendPage(Table& table, std::size_t& next, const std::array<RowSpec, 28>& rows,
                          int page, const char* caption) {
    constexpr Ctl tab = Ctl::选择夹1;
    for (const RowSpec& row : rows) {
        const int t = row.top;
        // The label first, so that the fields are drawn over it.
        table[next++] = Make(row.label.id, row.label.name, ControlKind::Label, tab, page,
                             {118, t - 2, 330, 24}, caption, kPlain, false);
        table[next++] = Make(row.item.id, row.item.name, ControlKind::EditBox, tab, page,
                             {2, t, 155, 20}, "", kSunken, true);
        table[next++] = Make(row.comment.id, row.comment.name, ControlKind::EditBox, tab, page,
                             {191, t, 146, 20}, "", kSunken, true);
        table[next++] = Make(row.icon.id, row.icon.name, ControlKind::PicBox, tab, page,
                             {337, t - 1, 21, 17}, "", kPlain, true);
        table[next++] = Make(row.nickname.id, row.nickname.name, ControlKind::EditBox, tab, page,
                             {392, t, 56, 20}, "", kSunken, true);
    }
}

static_assert(kFixedControls.size() + 2 * 28 * 5 == kControlCount);

constexpr Table BuildTable() {
    Table table{};
    std::size_t next = 0;
    for (const ControlDef& def : kFixedControls) {
        table[next++] = def;
    }
    AppendPage(table, next, kGivenRows, 1, kGivenRowCaption);
    AppendPage(table, next, kReceivedRows, 2, kReceivedRowCaption);
    return table;
}

constexpr Table kTable = BuildTable();

constexpr bool IdsAreIndexes() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (static_cast<std::size_t>(kTable[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(IdsAreIndexes(), "enumerators and table entries are out of step");

// A parent comes before its children and is a group box or the tab control;
// exactly the children of the tab control are on a page.
constexpr bool ParentsAreSound() {
    for (const ControlDef& def : kTable) {
        if (def.parent == kWindow) {
            if (def.page != 0) {
                return false;
            }
            continue;
        }
        if (static_cast<std::size_t>(def.parent) >= static_cast<std::size_t>(def.id)) {
            return false;
        }
        const ControlKind kind = kTable[static_cast<std::size_t>(def.parent)].kind;
        const bool onPage = def.page == 1 || def.page == 2;
        if (kind == ControlKind::TabBox ? !onPage
                                        : (kind != ControlKind::GroupBox || def.page != 0)) {
            return false;
        }
    }
    return true;
}
static_assert(ParentsAreSound());

}  // namespace

const std::array<ControlDef, kControlCount>& Controls() {
    return kTable;
}

const ControlDef& Control(Ctl id) {
    return kTable.at(static_cast<std::size_t>(id));
}

namespace {

constexpr std::array<RatingRow, kRatingRowCount> PublicRows(const std::array<RowSpec, 28>& rows) {
    std::array<RatingRow, kRatingRowCount> result{};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        result[i] = {rows[i].item.id, rows[i].label.id, rows[i].comment.id, rows[i].icon.id,
                     rows[i].nickname.id};
    }
    return result;
}

constexpr auto kGivenRatingRows = PublicRows(kGivenRows);
constexpr auto kReceivedRatingRows = PublicRows(kReceivedRows);

}  // namespace

const std::array<RatingRow, kRatingRowCount>& RatingRows(int page) {
    return page == 2 ? kReceivedRatingRows : kGivenRatingRows;
}

std::optional<Ctl> FindControl(std::string_view utf8Name) {
    for (const ControlDef& def : kTable) {
        if (utf8Name == def.name) {
            return def.id;
        }
    }
    return std::nullopt;
}

}  // namespace kestrova
