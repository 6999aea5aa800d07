#include "history/LookupHistory.h"

#include <iostream>
#include <set>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "history/LookupEnd.h"
#include "history/MemberKey.h"
#include "history/PictureHash.h"
#include "history/Schema.h"
#include "history/Sqlite.h"
#include "history/StoredFields.h"

namespace kestrova {
namespace {

// Long enough for the window and several command lines saving at once (a save
// holds the lock for a few milliseconds); short enough that a file some other
// program keeps locked does not hold a lookup's end for long.
constexpr std::chrono::milliseconds kBusyWait{5000};

std::int64_t Milliseconds(std::chrono::system_clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

std::string_view View(const Sha256Digest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

std::string_view View(const ByteBuffer& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The file, once the folder it goes in is there.
const std::filesystem::path& InItsFolder(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    std::error_code error;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, error);
    }
    if (error) {
        throw HistoryError(file.string() + ": cannot make the folder " + folder.string() + " (" +
                           error.message() + ")");
    }
    return file;
}

}  // namespace

// The open file and the statements every save runs, prepared once.
struct LookupHistory::Open {
    explicit Open(const std::filesystem::path& file)
        : db(InItsFolder(file), Connection::Access::kCreate, kBusyWait),
          schemaReady(Prepared(db)),
          insertLookup(db,
                       "INSERT INTO lookup (account, started_ms, ended_ms, end_kind, mode, status, "
                       "message_text, message_caption, message_flags, member) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          insertField(db, "INSERT INTO field (lookup_id, control, text, link) VALUES (?, ?, ?, ?)"),
          findPicture(db, "SELECT 1 FROM picture WHERE sha256 = ?"),
          insertPicture(db, "INSERT INTO picture (sha256, bytes) VALUES (?, ?)"),
          insertShown(db,
                      "INSERT INTO shown_picture (lookup_id, control, sha256) VALUES (?, ?, ?)") {}

    // Before any statement below is prepared: they need the schema.
    static bool Prepared(Connection& db) {
        // A damaged, newer or foreign file is refused before anything is written.
        SchemaVersionOf(db);
        // WAL: readers never wait for a writer, and a process killed mid-save
        // leaves the file as it was before that save. NORMAL: a commit is
        // safe from a crash of the program without a disk flush each time.
        db.Execute("PRAGMA journal_mode = WAL");
        db.Execute("PRAGMA synchronous = NORMAL");
        db.Execute("PRAGMA foreign_keys = ON");
        UpgradeSchema(db);
        return true;
    }

    std::int64_t Write(const LookupRecord& r, LookupEnd end) {
        const FieldStore& fields = r.fields;
        Transaction transaction(db);

        const std::string endName(EndName(end));
        insertLookup.BindText(1, r.account);
        insertLookup.Bind(2, Milliseconds(r.started));
        insertLookup.Bind(3, Milliseconds(r.ended));
        insertLookup.BindText(4, endName);
        insertLookup.BindText(5, r.mode);
        insertLookup.BindBytes(6, fields.StatusText());
        const auto& box = fields.LastMessageBox();
        if (box && fields.MessageBoxCount() > r.messageBoxesBefore) {
            insertLookup.BindBytes(7, box->content);
            insertLookup.BindBytes(8, box->caption);
            insertLookup.Bind(9, box->flags);
        }
        insertLookup.BindText(10, MemberKey(r.account));
        insertLookup.Run();
        const std::int64_t id = db.LastInsertedId();

        std::set<Sha256Digest> added;
        std::unordered_map<std::string_view, Sha256Digest> digests;
        for (const ControlDef& c : Controls()) {
            const StoredField field = StoredFieldOf(fields, c);
            if (!field.text.empty() || !field.link.empty()) {
                insertField.Bind(1, id);
                insertField.BindText(2, c.name);
                if (!field.text.empty()) {
                    insertField.BindBytes(3, field.text);
                }
                if (!field.link.empty()) {
                    insertField.BindBytes(4, field.link);
                }
                insertField.Run();
            }
            if (field.picture == nullptr || field.picture->empty()) {
                continue;
            }
            // The rating rows show the same few icons over and over: each
            // distinct picture is hashed once, and stored once ever.
            const std::string_view bytes = View(*field.picture);
            auto found = digests.find(bytes);
            if (found == digests.end()) {
                found = digests.emplace(bytes, Sha256Of(*field.picture)).first;
            }
            const Sha256Digest& digest = found->second;
            if (!known.contains(digest) && !added.contains(digest)) {
                StorePicture(digest, bytes);
                added.insert(digest);
            }
            insertShown.Bind(1, id);
            insertShown.BindText(2, c.name);
            insertShown.BindBytes(3, View(digest));
            insertShown.Run();
        }
        transaction.Commit();
        known.merge(added);
        return id;
    }

    void StorePicture(const Sha256Digest& digest, std::string_view bytes) {
        findPicture.BindBytes(1, View(digest));
        const bool present = findPicture.Step();
        findPicture.Reset();
        if (!present) {
            insertPicture.BindBytes(1, View(digest));
            insertPicture.BindBytes(2, bytes);
            insertPicture.Run();
        }
    }

    Connection db;
    bool schemaReady;
    Statement insertLookup;
    Statement insertField;
    Statement findPicture;
    Statement insertPicture;
    Statement insertShown;
    // Pictures known to be in the file since a save of ours committed them.
    std::set<Sha256Digest> known;
};

LookupHistory::LookupHistory(std::optional<std::filesystem::path> file, std::string program)
    : file_(std::move(file)), program_(std::move(program)) {}

LookupHistory::~LookupHistory() = default;

std::optional<std::int64_t> LookupHistory::Save(const LookupRecord& record) {
    if (!file_) {
        return std::nullopt;
    }
    const std::optional<LookupEnd> end = EndOf(record.fields, record.cancelled);
    if (!end) {
        return std::nullopt;
    }
    try {
        if (!open_) {
            open_ = std::make_unique<Open>(*file_);
        }
        return open_->Write(record, *end);
    } catch (const HistoryError& error) {
        Warn(error.what());
    } catch (const std::exception& error) {
        Warn(file_->string() + ": " + error.what());
    }
    // Whatever went wrong may have left the connection unusable: the next
    // save starts afresh.
    open_.reset();
    return std::nullopt;
}

void LookupHistory::Warn(const std::string& problem) {
    // A batch meeting the same problem at every lookup says so once.
    if (problem == lastWarning_) {
        return;
    }
    lastWarning_ = problem;
    std::cerr << program_ << ": warning: the lookup was not saved in the history: " << problem
              << "\n";
}

}  // namespace kestrova
