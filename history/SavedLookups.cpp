#include "history/SavedLookups.h"

#include <sqlite3.h>

#include <map>

#include "history/Compression.h"
#include "history/HistoryAccess.h"
#include "history/MemberKey.h"
#include "history/PagesGot.h"
#include "history/Schema.h"
#include "history/Sqlite.h"
#include "history/StoredFields.h"

namespace kestrova {
namespace {

constexpr std::chrono::milliseconds kBusyWait{5000};

// The verdicts come along for the listing: the two labels' values in the
// lookup's field set.
constexpr const char* kSummaryColumns =
    "SELECT l.id, l.account, l.started_ms, l.ended_ms, l.end_kind, l.mode, l.status, "
    "bv.size, bv.packing, bv.bytes, sv.size, sv.packing, sv.bytes, l.left_out, l.complete, "
    "(SELECT count(*) FROM missing_page AS m WHERE m.lookup_id = l.id) "
    "FROM lookup AS l "
    "LEFT JOIN field AS bf ON bf.set_id = l.field_set_id "
    "AND bf.control_id = (SELECT id FROM control WHERE name = ?) "
    "LEFT JOIN stored_value AS bv ON bv.id = bf.text_id "
    "LEFT JOIN field AS sf ON sf.set_id = l.field_set_id "
    "AND sf.control_id = (SELECT id FROM control WHERE name = ?) "
    "LEFT JOIN stored_value AS sv ON sv.id = sf.text_id ";

std::chrono::system_clock::time_point TimeOf(std::int64_t milliseconds) {
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(milliseconds));
}

void BindVerdictControls(Statement& statement) {
    statement.BindText(1, Control(Ctl::标签38).name);
    statement.BindText(2, Control(Ctl::标签48).name);
}

// A stored value from the columns size, packing, bytes at `first`.
std::string ValueAt(const Connection& db, const Statement& row, int first) {
    if (row.IsNull(first)) {
        return {};
    }
    const auto size = row.Number(first);
    std::optional<std::string> value =
        size < 0 ? std::nullopt
                 : Unpack(static_cast<Packing>(row.Number(first + 1)), row.Bytes(first + 2),
                          static_cast<std::size_t>(size));
    if (!value) {
        throw HistoryError(db.File().string() +
                           ": the file is damaged (a stored value does not read back)");
    }
    return std::move(*value);
}

SavedLookupSummary SummaryOf(const Connection& db, const Statement& row) {
    SavedLookupSummary s;
    s.id = row.Number(0);
    s.account = row.Bytes(1);
    s.started = TimeOf(row.Number(2));
    s.ended = TimeOf(row.Number(3));
    s.end = row.Bytes(4);
    s.mode = row.Bytes(5);
    s.status = row.Bytes(6);
    s.buyerVerdict = ValueAt(db, row, 7);
    s.shopVerdict = ValueAt(db, row, 10);
    s.leftOut = static_cast<int>(row.Number(13));
    if (!row.IsNull(14)) {
        s.complete = row.Number(14) != 0;
    }
    s.missingPages = static_cast<int>(row.Number(15));
    return s;
}

ByteBuffer BufferOf(const std::string& bytes) {
    return ByteBuffer(bytes.begin(), bytes.end());
}

}  // namespace

SavedLookups::SavedLookups(const std::filesystem::path& file)
    : file_(file), db_(OpenHistoryToRead(file, kBusyWait)) {}

SavedLookups::~SavedLookups() = default;

std::vector<SavedLookupSummary> SavedLookups::Recent(const std::optional<std::string>& account,
                                                     int limit) const {
    std::vector<SavedLookupSummary> found;
    if (!db_) {
        return found;
    }
    std::string sql = kSummaryColumns;
    if (account) {
        sql += "WHERE l.member = ? ";
    }
    sql += "ORDER BY l.id DESC";
    if (limit > 0) {
        sql += " LIMIT ?";
    }
    Statement query(*db_, sql);
    BindVerdictControls(query);
    int next = 3;
    if (account) {
        query.BindText(next++, MemberKey(*account));
    }
    if (limit > 0) {
        query.Bind(next, limit);
    }
    while (query.Step()) {
        found.push_back(SummaryOf(*db_, query));
    }
    return found;
}

std::optional<SavedLookupSummary> SavedLookups::LatestComplete(const std::string& account) const {
    if (!db_) {
        return std::nullopt;
    }
    Statement query(*db_, std::string(kSummaryColumns) +
                              "WHERE l.member = ? AND l.complete = 1 ORDER BY l.id DESC LIMIT 1");
    BindVerdictControls(query);
    query.BindText(3, MemberKey(account));
    if (!query.Step()) {
        return std::nullopt;
    }
    return SummaryOf(*db_, query);
}

std::optional<SavedLookup> SavedLookups::Latest(const std::string& account) const {
    const auto latest = Recent(account, 1);
    return latest.empty() ? std::nullopt : Load(latest.front().id);
}

std::optional<SavedLookup> SavedLookups::Load(std::int64_t id) const {
    if (!db_) {
        return std::nullopt;
    }
    // One read transaction: the lookup and its values as of one moment.
    db_->Execute("BEGIN");
    struct EndRead {
        Connection& db;
        ~EndRead() { sqlite3_exec(db.Handle(), "COMMIT", nullptr, nullptr, nullptr); }
    } endRead{*db_};

    Statement head(*db_, std::string(kSummaryColumns) + "WHERE l.id = ?");
    BindVerdictControls(head);
    head.Bind(3, id);
    if (!head.Step()) {
        return std::nullopt;
    }
    SavedLookup saved{SummaryOf(*db_, head), FieldStore(), ReadPagesGot(*db_, id)};

    struct References {
        std::int64_t text = 0, link = 0, picture = 0;  // 0: none
    };
    std::map<std::string, References, std::less<>> references;
    Statement fields(*db_,
                     "SELECT c.name, f.text_id, f.link_id, f.picture_id FROM field AS f "
                     "JOIN control AS c ON c.id = f.control_id "
                     "WHERE f.set_id = (SELECT field_set_id FROM lookup WHERE id = ?)");
    fields.Bind(1, id);
    while (fields.Step()) {
        references[fields.Bytes(0)] = {fields.Number(1), fields.Number(2), fields.Number(3)};
    }

    // The rating rows share their icons and captions: each value read once.
    std::map<std::int64_t, std::string> values;
    Statement value(*db_, "SELECT size, packing, bytes FROM stored_value WHERE id = ?");
    auto valueOf = [this, &values, &value](std::int64_t valueId) -> const std::string& {
        static const std::string kNone;
        if (valueId == 0) {
            return kNone;
        }
        auto found = values.find(valueId);
        if (found == values.end()) {
            value.Bind(1, valueId);
            if (!value.Step()) {
                throw HistoryError(db_->File().string() +
                                   ": the file is damaged (a lookup's value is missing)");
            }
            found = values.emplace(valueId, ValueAt(*db_, value, 0)).first;
            value.Reset();
        }
        return found->second;
    };

    static const References kNothing;
    for (const ControlDef& c : Controls()) {
        const auto found = references.find(std::string_view(c.name));
        const References& r = found != references.end() ? found->second : kNothing;
        RestoreField(saved.fields, c, valueOf(r.text), valueOf(r.link),
                     r.picture != 0 ? BufferOf(valueOf(r.picture)) : ByteBuffer());
    }

    saved.fields.StatusBarSetText(0, saved.summary.status);
    Statement box(*db_,
                  "SELECT message_text, message_caption, message_flags FROM lookup "
                  "WHERE id = ? AND message_text IS NOT NULL");
    box.Bind(1, id);
    if (box.Step()) {
        saved.fields.MessageBox(box.Bytes(0), static_cast<int>(box.Number(2)), box.Bytes(1));
    }
    return saved;
}

}  // namespace kestrova
