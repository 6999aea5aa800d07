#include "history/sqlite/LookupWriter.h"

#include "history/store/Database.h"
#include "history/store/MemberKey.h"

namespace kestrova {
namespace {

std::string_view View(const Sha256Digest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

}  // namespace

struct LookupWriter::Statements {
    Statements(Connection& db, Table table)
        : findValue(db, "SELECT id FROM stored_value WHERE sha256 = ?"),
          insertValue(
              db, "INSERT INTO stored_value (sha256, size, packing, bytes) VALUES (?, ?, ?, ?)"),
          findSet(db, "SELECT id FROM field_set WHERE sha256 = ?"),
          insertSet(db, "INSERT INTO field_set (sha256) VALUES (?)"),
          findControl(db, "SELECT id FROM control WHERE name = ?"),
          insertControl(db, "INSERT INTO control (name) VALUES (?)"),
          insertField(db,
                      "INSERT INTO field (set_id, control_id, text_id, link_id, picture_id) "
                      "VALUES (?, ?, ?, ?, ?)"),
          insertLookup(db,
                       "INSERT INTO lookup (id, account, member, started_ms, ended_ms, end_kind, "
                       "mode, status, message_text, message_caption, message_flags, "
                       "field_set_id, left_out" +
                           std::string(table == Table::kCurrent
                                           ? ", who, host, complete) VALUES (?, ?, ?, ?, ?, ?, "
                                             "?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                                           : ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")),
          insertMissing(db, table == Table::kCurrent
                                ? "INSERT INTO missing_page (lookup_id, position, page, url, "
                                  "reason) VALUES (?, ?, ?, ?, ?)"
                                : "SELECT 1"),
          table(table) {}

    Statement findValue;
    Statement insertValue;
    Statement findSet;
    Statement insertSet;
    Statement findControl;
    Statement insertControl;
    Statement insertField;
    Statement insertLookup;
    Statement insertMissing;
    Table table;
};

template <typename Key>
std::optional<std::int64_t> LookupWriter::Known<Key>::Find(const auto& key) const {
    for (const auto* ids : {&held, &added}) {
        if (const auto found = ids->find(key); found != ids->end()) {
            return found->second;
        }
    }
    return std::nullopt;
}

LookupWriter::LookupWriter(Connection& db, Table table)
    : db_(db), statements_(std::make_unique<Statements>(db, table)) {}

LookupWriter::~LookupWriter() = default;

std::optional<std::int64_t> LookupWriter::Find(Known<Sha256Digest>& known, Statement& find,
                                               const Sha256Digest& digest) {
    if (const auto id = known.Find(digest)) {
        return id;
    }
    find.BindBytes(1, View(digest));
    std::optional<std::int64_t> id;
    if (find.Step()) {
        id = find.Number(0);
        known.held.emplace(digest, *id);  // committed by whoever wrote it
    }
    find.Reset();
    return id;
}

std::int64_t LookupWriter::ControlId(const char* name) {
    if (const auto id = controls_.Find(std::string_view(name))) {
        return *id;
    }
    Statement& find = statements_->findControl;
    find.BindText(1, name);
    if (find.Step()) {
        const std::int64_t id = find.Number(0);
        find.Reset();
        controls_.held.emplace(name, id);
        return id;
    }
    find.Reset();
    Statement& insert = statements_->insertControl;
    insert.BindText(1, name);
    insert.Run();
    const std::int64_t id = db_.LastInsertedId();
    controls_.added.emplace(name, id);
    return id;
}

std::unique_ptr<PreparedLookup> LookupWriter::Prepare(LookupRow row, const FieldStore& window) {
    auto lookup = std::make_unique<PreparedLookup>(std::move(row), window, std::nullopt);
    PackLookup(
        *lookup,
        [this](const Sha256Digest& d) { return Find(sets_, statements_->findSet, d).has_value(); },
        [this](const Sha256Digest& d) {
            return Find(values_, statements_->findValue, d).has_value();
        });
    return lookup;
}

std::int64_t LookupWriter::ValueId(const PreparedLookup& lookup, int value) {
    const FieldValue& v = lookup.values.Values()[static_cast<std::size_t>(value)];
    if (const auto id = Find(values_, statements_->findValue, v.digest)) {
        return *id;
    }
    // Packed here if another program's save made Prepare think it was there.
    const std::optional<PackedValue>& prepared = lookup.packed[static_cast<std::size_t>(value)];
    const PackedValue packed = prepared ? *prepared : Pack(v.bytes);
    Statement& insert = statements_->insertValue;
    insert.BindBytes(1, View(v.digest));
    insert.Bind(2, static_cast<std::int64_t>(v.bytes.size()));
    insert.Bind(3, static_cast<std::int64_t>(packed.packing));
    insert.BindBytes(4,
                     packed.packing == Packing::kZstd ? std::string_view(packed.bytes) : v.bytes);
    insert.Run();
    const std::int64_t id = db_.LastInsertedId();
    values_.added.emplace(v.digest, id);
    return id;
}

std::int64_t LookupWriter::Write(const PreparedLookup& lookup) {
    std::optional<std::int64_t> set = Find(sets_, statements_->findSet, lookup.setDigest);
    if (!set) {
        Statement& insertSet = statements_->insertSet;
        insertSet.BindBytes(1, View(lookup.setDigest));
        insertSet.Run();
        set = db_.LastInsertedId();
        sets_.added.emplace(lookup.setDigest, *set);
        Statement& insertField = statements_->insertField;
        for (const FieldReference& field : lookup.values.Fields()) {
            if (field.text < 0 && field.link < 0 && field.picture < 0) {
                continue;
            }
            const std::int64_t control = ControlId(field.control->name);
            insertField.Bind(1, *set);
            insertField.Bind(2, control);
            int column = 3;
            for (const int value : {field.text, field.link, field.picture}) {
                if (value >= 0) {
                    insertField.Bind(column, ValueId(lookup, value));
                }
                ++column;
            }
            insertField.Run();
        }
    }
    const LookupRow& row = lookup.row;
    Statement& insert = statements_->insertLookup;
    if (row.id != 0) {
        insert.Bind(1, row.id);
    }
    insert.BindText(2, row.account);
    insert.BindText(3, MemberKey(row.account));
    insert.Bind(4, Milliseconds(row.started));
    insert.Bind(5, Milliseconds(row.ended));
    insert.BindText(6, row.end);
    insert.BindText(7, row.mode);
    insert.BindBytes(8, row.status);
    if (row.message) {
        insert.BindBytes(9, row.message->content);
        insert.BindBytes(10, row.message->caption);
        insert.Bind(11, row.message->flags);
    }
    insert.Bind(12, *set);
    insert.Bind(13, lookup.LeftOut());
    if (statements_->table == Table::kVersion3) {
        insert.Run();
        return db_.LastInsertedId();
    }
    insert.BindText(14, row.who);
    insert.BindText(15, row.host);
    if (lookup.pages) {
        insert.Bind(16, lookup.pages->complete ? 1 : 0);
    }
    insert.Run();
    const std::int64_t id = db_.LastInsertedId();
    if (lookup.pages) {
        Statement& missing = statements_->insertMissing;
        std::int64_t position = 0;
        for (const MissingPage& page : lookup.pages->missing) {
            missing.Bind(1, id);
            missing.Bind(2, position++);
            missing.BindText(3, page.page);
            missing.BindBytes(4, page.url);
            missing.BindText(5, page.reason);
            missing.Run();
        }
    }
    return id;
}

void LookupWriter::Committed() {
    values_.held.merge(values_.added);
    sets_.held.merge(sets_.added);
    controls_.held.merge(controls_.added);
    RolledBack();
}

void LookupWriter::RolledBack() {
    values_.added.clear();
    sets_.added.clear();
    controls_.added.clear();
}

}  // namespace kestrova
