#include "cli/report/FieldReport.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string_view>

#include "form/Controls.h"
#include "form/RatingRows.h"
#include "history/store/PictureHash.h"
#include "imaging/Picture.h"
#include "text/Gbk.h"
#include "text/Search.h"

namespace kestrova {

namespace {

bool ShowsText(ControlKind kind) {
    return kind == ControlKind::EditBox || kind == ControlKind::Label ||
           kind == ControlKind::HyperLinker;
}

// Captions of fields drawn inside their label read "保证金：           元": the
// caption is the part before the gap.
std::string CaptionText(const char* utf8) {
    std::string_view text(utf8);
    const std::size_t gap = text.find("  ", text.find_first_not_of(' ') == std::string_view::npos
                                                ? 0
                                                : text.find_first_not_of(' '));
    const Text gbk = TrimSpaces(Utf8ToGbk(text.substr(0, gap)));
    return GbkToUtf8(gbk);
}

// The caption of a field on a tab page: page, row and column.
std::optional<std::string> RowCaption(Ctl id) {
    for (int page = 1; page <= 2; ++page) {
        const auto& rows = RatingRows(page);
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const RatingRow& row = rows[k];
            const char* column = id == row.itemLine   ? "宝贝"
                                 : id == row.comment  ? "留言"
                                 : id == row.icon     ? "评价"
                                 : id == row.nickname ? (page == 1 ? "卖家" : "买家")
                                                      : nullptr;
            if (column != nullptr) {
                return std::string(page == 1 ? "给出的评价" : "收到的评价") + " " +
                       std::to_string(k + 1) + " " + column;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

// A field's caption is the label on its line to its left (or under it) within
// the same parent; in the rating summary grid, the row label and the column
// header; otherwise the caption of its group box.
std::string FieldCaption(const ControlDef& field) {
    if (auto row = RowCaption(field.id)) {
        return *row;
    }
    constexpr int kSameLine = 5;
    const ControlDef* best = nullptr;
    const ControlDef* header = nullptr;
    for (const ControlDef& c : Controls()) {
        if (c.kind != ControlKind::Label || c.parent != field.parent || c.id == field.id ||
            *c.caption == '\0') {
            continue;
        }
        // A tall picture box has its caption beside its middle.
        const bool beside = field.kind == ControlKind::PicBox && c.rect.top >= field.rect.top &&
                            c.rect.top < field.rect.top + field.rect.height;
        const bool onLine = std::abs(c.rect.top - field.rect.top) <= kSameLine || beside;
        if (onLine && c.rect.left <= field.rect.left &&
            (best == nullptr || c.rect.left > best->rect.left)) {
            best = &c;
        }
        if (field.parent == Ctl::分组框3 && c.rect.left == field.rect.left && c.rect.top == 10) {
            header = &c;
        }
    }
    std::string caption;
    if (best != nullptr) {
        caption = CaptionText(best->caption);
    } else if (field.parent != kWindow && *Control(field.parent).caption != '\0') {
        caption = CaptionText(Control(field.parent).caption);
    } else {
        caption = field.name;
    }
    if (header != nullptr) {
        caption += " " + CaptionText(header->caption);
    }
    return caption;
}

namespace {

std::string Sha256Hex(const ByteBuffer& bytes) {
    return HexOf(Sha256Of(bytes));
}

// What the report says of a picture.
struct PictureFacts {
    PictureFormat format = PictureFormat::Empty;
    PictureSize size;
    std::string sha256;
};

// The rating rows show the same few icons over and over, and the members of a
// batch show the same icons again: each distinct picture is decoded and hashed
// once. Reports may be made on several threads at once. Avatars and logos
// differ from member to member, so what is kept is bounded; past the bound
// the cache starts afresh.
class PictureFactsCache {
  public:
    PictureFacts Of(const ByteBuffer& bytes) {
        const std::string_view key(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        {
            std::lock_guard lock(mutex_);
            if (const auto found = facts_.find(key); found != facts_.end()) {
                return found->second;
            }
        }
        PictureFacts fact{DetectPictureFormat(bytes), ProbePictureSize(bytes), Sha256Hex(bytes)};
        std::lock_guard lock(mutex_);
        if (keptBytes_ + key.size() > kMaxKeptBytes) {
            facts_.clear();
            keptBytes_ = 0;
        }
        if (facts_.emplace(std::string(key), fact).second) {
            keptBytes_ += key.size();
        }
        return fact;
    }

  private:
    static constexpr std::size_t kMaxKeptBytes = 2 << 20;

    std::mutex mutex_;
    std::map<std::string, PictureFacts, std::less<>> facts_;
    std::size_t keptBytes_ = 0;
};

std::string Description(const PictureFacts& fact, std::size_t bytes) {
    return std::string(PictureFormatName(fact.format)) + " " + std::to_string(fact.size.width) +
           "x" + std::to_string(fact.size.height) + ", " + std::to_string(bytes) + " bytes";
}

nlohmann::ordered_json Json(const PictureFacts& fact, std::size_t bytes) {
    return {{"bytes", bytes},
            {"sha256", fact.sha256},
            {"format", PictureFormatName(fact.format)},
            {"width", fact.size.width},
            {"height", fact.size.height}};
}

PictureFactsCache& Facts() {
    static PictureFactsCache cache;
    return cache;
}

}  // namespace

std::string PictureDescription(const ByteBuffer& bytes) {
    const PictureFacts fact = Facts().Of(bytes);
    return Description(fact, bytes.size()) + ", " + fact.sha256.substr(0, 8);
}

nlohmann::ordered_json PictureJson(const ByteBuffer& bytes) {
    return Json(Facts().Of(bytes), bytes.size());
}

std::string FieldListing(const FieldStore& window) {
    std::string out;
    auto line = [&out](const std::string& caption, const std::string& value) {
        out += caption + "\t" + value + "\n";
    };
    if (!window.StatusText().empty()) {
        line("状态", GbkToUtf8(window.StatusText()));
    }
    if (const auto& box = window.LastMessageBox()) {
        line(GbkToUtf8(box->caption), GbkToUtf8(box->content));
    }
    for (const ControlDef& c : Controls()) {
        const bool scratch = c.id == Ctl::编辑框82 || c.id == Ctl::编辑框2 || c.id == Ctl::编辑框98;
        if ((!c.result && c.id != Ctl::编辑框1) || scratch) {
            continue;  // static captions, and whole page texts kept for later cuts
        }
        if (ShowsText(c.kind) && !window.ReadText(c.id).empty()) {
            line(FieldCaption(c), GbkToUtf8(window.ReadText(c.id)));
        }
        if (c.kind == ControlKind::HyperLinker && !window.ReadLinkAddress(c.id).empty()) {
            line(FieldCaption(c) + " ->", GbkToUtf8(window.ReadLinkAddress(c.id)));
        }
        if (c.kind == ControlKind::PicBox && !window.ReadPicture(c.id).empty()) {
            const ByteBuffer& picture = window.ReadPicture(c.id);
            const PictureFacts fact = Facts().Of(picture);
            line(FieldCaption(c) + " [" + c.name + "]", Description(fact, picture.size()));
        }
    }
    return out;
}

std::string FieldJson(const FieldStore& window) {
    // Invalid GBK has become U+FFFD already, so the dump cannot meet bad UTF-8.
    return FieldObject(window).dump(2) + "\n";
}

nlohmann::ordered_json FieldObject(const FieldStore& window) {
    using nlohmann::ordered_json;
    ordered_json root;
    root["status"] = GbkToUtf8(window.StatusText());
    if (const auto& box = window.LastMessageBox()) {
        root["message_box"] = {{"text", GbkToUtf8(box->content)},
                               {"caption", GbkToUtf8(box->caption)}};
    } else {
        root["message_box"] = nullptr;
    }
    ordered_json fields = ordered_json::object();
    ordered_json links = ordered_json::object();
    ordered_json pictures = ordered_json::object();
    for (const ControlDef& c : Controls()) {
        if (ShowsText(c.kind)) {
            fields[c.name] = GbkToUtf8(window.ReadText(c.id));
        }
        if (c.kind == ControlKind::HyperLinker) {
            links[c.name] = GbkToUtf8(window.ReadLinkAddress(c.id));
        }
        if (c.kind == ControlKind::PicBox) {
            const ByteBuffer& bytes = window.ReadPicture(c.id);
            const PictureFacts fact = Facts().Of(bytes);
            pictures[c.name] = Json(fact, bytes.size());
        }
    }
    root["fields"] = std::move(fields);
    root["links"] = std::move(links);
    root["pictures"] = std::move(pictures);
    return root;
}

}  // namespace kestrova
