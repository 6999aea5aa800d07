#include "history/SavedLookups.h"

#include <unistd.h>

#include <map>
#include <system_error>

#include "history/MemberKey.h"
#include "history/Schema.h"
#include "history/Sqlite.h"
#include "history/StoredFields.h"

namespace kestrova {
namespace {

constexpr std::chrono::milliseconds kBusyWait{5000};

constexpr const char* kSummaryColumns =
    "SELECT l.id, l.account, l.started_ms, l.ended_ms, l.end_kind, l.mode, l.status, "
    "(SELECT text FROM field WHERE lookup_id = l.id AND control = :buyer), "
    "(SELECT text FROM field WHERE lookup_id = l.id AND control = :shop) "
    "FROM lookup AS l ";

std::chrono::system_clock::time_point TimeOf(std::int64_t milliseconds) {
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(milliseconds));
}

void BindVerdictControls(Statement& statement) {
    statement.BindText(1, Control(Ctl::标签38).name);
    statement.BindText(2, Control(Ctl::标签48).name);
}

SavedLookupSummary SummaryOf(const Statement& row) {
    SavedLookupSummary s;
    s.id = row.Number(0);
    s.account = row.Bytes(1);
    s.started = TimeOf(row.Number(2));
    s.ended = TimeOf(row.Number(3));
    s.end = row.Bytes(4);
    s.mode = row.Bytes(5);
    s.status = row.Bytes(6);
    s.buyerVerdict = row.Bytes(7);
    s.shopVerdict = row.Bytes(8);
    return s;
}

// A file this program may not write, nor make the companions of a
// write-ahead log beside, and with no log of unfinished writes: nobody writes
// it through us, so it is read as it stands.
bool Unwritable(const std::filesystem::path& file) {
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const bool writable = access(file.c_str(), W_OK) == 0 && access(folder.c_str(), W_OK) == 0;
    std::error_code error;
    const auto log = std::filesystem::file_size(file.string() + "-wal", error);
    return !writable && (error || log == 0);
}

ByteBuffer BufferOf(const std::string& bytes) {
    return ByteBuffer(bytes.begin(), bytes.end());
}

}  // namespace

SavedLookups::SavedLookups(const std::filesystem::path& file) : file_(file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        if (error) {
            throw HistoryError(file.string() + ": " + error.message());
        }
        return;
    }
    const bool unchanging = Unwritable(file);
    db_ = std::make_unique<Connection>(
        file, unchanging ? Connection::Access::kUnchanging : Connection::Access::kExisting,
        kBusyWait);
    const std::int64_t version = SchemaVersionOf(*db_);
    if (version == 0) {
        db_.reset();  // an empty database: nothing saved yet
        return;
    }
    if (version < kHistorySchemaVersion) {
        if (unchanging) {
            throw HistoryError(file.string() + ": written by an older Kestrova (history version " +
                               std::to_string(version) +
                               ") and cannot be brought up to date: the file is read-only");
        }
        UpgradeSchema(*db_);
    }
}

SavedLookups::~SavedLookups() = default;

std::vector<SavedLookupSummary> SavedLookups::Recent(const std::optional<std::string>& account,
                                                     int limit) const {
    std::vector<SavedLookupSummary> found;
    if (!db_) {
        return found;
    }
    Statement query(*db_, std::string(kSummaryColumns) +
                              "WHERE :member IS NULL OR l.member = :member "
                              "ORDER BY l.started_ms DESC, l.id DESC LIMIT :limit");
    BindVerdictControls(query);
    if (account) {
        query.BindText(3, MemberKey(*account));
    }
    query.Bind(4, limit > 0 ? limit : -1);
    while (query.Step()) {
        found.push_back(SummaryOf(query));
    }
    return found;
}

std::optional<SavedLookup> SavedLookups::Latest(const std::string& account) const {
    const auto latest = Recent(account, 1);
    return latest.empty() ? std::nullopt : Load(latest.front().id);
}

std::optional<SavedLookup> SavedLookups::Load(std::int64_t id) const {
    if (!db_) {
        return std::nullopt;
    }
    Statement head(*db_, std::string(kSummaryColumns) + "WHERE l.id = :id");
    BindVerdictControls(head);
    head.Bind(3, id);
    if (!head.Step()) {
        return std::nullopt;
    }
    SavedLookup saved{SummaryOf(head), FieldStore()};

    std::map<std::string, std::pair<Text, Text>, std::less<>> texts;
    Statement fields(*db_, "SELECT control, text, link FROM field WHERE lookup_id = ?");
    fields.Bind(1, id);
    while (fields.Step()) {
        texts[fields.Bytes(0)] = {fields.Bytes(1), fields.Bytes(2)};
    }
    std::map<std::string, ByteBuffer, std::less<>> pictures;
    Statement shown(*db_,
                    "SELECT s.control, p.bytes FROM shown_picture AS s "
                    "JOIN picture AS p ON p.sha256 = s.sha256 WHERE s.lookup_id = ?");
    shown.Bind(1, id);
    while (shown.Step()) {
        pictures[shown.Bytes(0)] = BufferOf(shown.Bytes(1));
    }

    static const std::pair<Text, Text> kNoText;
    static const ByteBuffer kNoPicture;
    for (const ControlDef& c : Controls()) {
        const auto text = texts.find(std::string_view(c.name));
        const auto picture = pictures.find(std::string_view(c.name));
        const auto& [value, link] = text != texts.end() ? text->second : kNoText;
        RestoreField(saved.fields, c, value, link,
                     picture != pictures.end() ? picture->second : kNoPicture);
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
