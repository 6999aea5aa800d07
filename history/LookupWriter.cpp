#include "history/LookupWriter.h"

#include <algorithm>

namespace kestrova {
namespace {

// What a stored value, a field row and a lookup row cost in the file beside
// the value's own bytes: the row, its hash in the table and in its index, and
// the pages' slack. Generous, so that the bound holds for the file as it grows.
constexpr std::size_t kValueOverhead = 160;
constexpr std::size_t kFieldOverhead = 32;
constexpr std::size_t kLookupOverhead = 1024;

std::string_view View(const Sha256Digest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

std::size_t StoredSize(const PreparedLookup& lookup, std::size_t value) {
    const std::optional<PackedValue>& packed = lookup.packed[value];
    const std::size_t bytes = packed && packed->packing == Packing::kZstd
                                  ? packed->bytes.size()
                                  : lookup.values.Values()[value].bytes.size();
    return bytes + kValueOverhead;
}

void Bound(PreparedLookup& lookup, const std::function<bool(const Sha256Digest&)>& valueStored) {
    const auto& values = lookup.values.Values();
    std::size_t added = kLookupOverhead + lookup.values.Fields().size() * kFieldOverhead;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (lookup.packed[k]) {
            added += StoredSize(lookup, k);
        }
    }
    // The page texts one at a time, each packed only while they still fit:
    // three pages at the size cap are never all held packed at once.
    std::size_t withPages = added;
    for (std::size_t k = 0; k < values.size() && withPages <= kLookupBound; ++k) {
        if (values[k].pageText && !valueStored(values[k].digest)) {
            lookup.packed[k] = Pack(values[k].bytes);
            withPages += StoredSize(lookup, k);
        }
    }
    if (withPages <= kLookupBound) {
        return;
    }
    lookup.values.LeaveOutPageTexts();
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (values[k].pageText) {
            lookup.packed[k].reset();
        }
    }
    if (added <= kLookupBound) {
        return;
    }
    std::vector<std::size_t> pictures;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (values[k].picture && lookup.packed[k]) {
            pictures.push_back(k);
        }
    }
    std::sort(pictures.begin(), pictures.end(), [&lookup](std::size_t a, std::size_t b) {
        return StoredSize(lookup, a) > StoredSize(lookup, b);
    });
    for (const std::size_t k : pictures) {
        if (added <= kLookupBound) {
            break;
        }
        added -= StoredSize(lookup, k);
        lookup.values.LeaveOutPicture(static_cast<int>(k));
        lookup.packed[k].reset();
    }
}

}  // namespace

std::unique_ptr<PreparedLookup> PrepareLookup(
    LookupRow row, const FieldStore& window,
    const std::function<bool(const Sha256Digest&)>& setStored,
    const std::function<bool(const Sha256Digest&)>& valueStored) {
    auto lookup = std::make_unique<PreparedLookup>(std::move(row), window);
    const auto& values = lookup->values.Values();
    lookup->packed.resize(values.size());
    lookup->setDigest = lookup->values.Digest();
    // A lookup that shows what an earlier one showed needs nothing more.
    if (setStored(lookup->setDigest)) {
        lookup->setStored = true;
        return lookup;
    }
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (!values[k].pageText && !valueStored(values[k].digest)) {
            lookup->packed[k] = Pack(values[k].bytes);
        }
    }
    Bound(*lookup, valueStored);
    if (lookup->values.LeftOutParts() != kNothingLeftOut) {
        lookup->setDigest = lookup->values.Digest();
    }
    return lookup;
}

int LeftOutOf(const PreparedLookup& lookup) {
    return lookup.values.LeftOutParts() | lookup.row.leftOut;
}

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
                                           ? ", who, host) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                             "?, ?, ?, ?, ?, ?)"
                                           : ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")),
          table(table) {}

    Statement findValue;
    Statement insertValue;
    Statement findSet;
    Statement insertSet;
    Statement findControl;
    Statement insertControl;
    Statement insertField;
    Statement insertLookup;
    Table table;
};

LookupWriter::LookupWriter(Connection& db, Table table)
    : db_(db), statements_(std::make_unique<Statements>(db, table)) {}

LookupWriter::~LookupWriter() = default;

std::optional<std::int64_t> LookupWriter::FindValue(const Sha256Digest& digest) {
    if (const auto known = values_.find(digest); known != values_.end()) {
        return known->second;
    }
    if (const auto added = newValues_.find(digest); added != newValues_.end()) {
        return added->second;
    }
    Statement& find = statements_->findValue;
    find.BindBytes(1, View(digest));
    std::optional<std::int64_t> id;
    if (find.Step()) {
        id = find.Number(0);
        values_.emplace(digest, *id);  // committed by whoever wrote it
    }
    find.Reset();
    return id;
}

std::optional<std::int64_t> LookupWriter::FindSet(const Sha256Digest& digest) {
    if (const auto known = sets_.find(digest); known != sets_.end()) {
        return known->second;
    }
    if (const auto added = newSets_.find(digest); added != newSets_.end()) {
        return added->second;
    }
    Statement& find = statements_->findSet;
    find.BindBytes(1, View(digest));
    std::optional<std::int64_t> id;
    if (find.Step()) {
        id = find.Number(0);
        sets_.emplace(digest, *id);
    }
    find.Reset();
    return id;
}

std::int64_t LookupWriter::ControlId(const char* name) {
    for (const auto* known : {&controls_, &newControls_}) {
        if (const auto found = known->find(std::string_view(name)); found != known->end()) {
            return found->second;
        }
    }
    Statement& find = statements_->findControl;
    find.BindText(1, name);
    if (find.Step()) {
        const std::int64_t id = find.Number(0);
        find.Reset();
        controls_.emplace(name, id);
        return id;
    }
    find.Reset();
    Statement& insert = statements_->insertControl;
    insert.BindText(1, name);
    insert.Run();
    const std::int64_t id = db_.LastInsertedId();
    newControls_.emplace(name, id);
    return id;
}

std::unique_ptr<PreparedLookup> LookupWriter::Prepare(LookupRow row, const FieldStore& window) {
    return PrepareLookup(
        std::move(row), window, [this](const Sha256Digest& d) { return FindSet(d).has_value(); },
        [this](const Sha256Digest& d) { return FindValue(d).has_value(); });
}

std::int64_t LookupWriter::ValueId(const PreparedLookup& lookup, int value) {
    const FieldValue& v = lookup.values.Values()[static_cast<std::size_t>(value)];
    if (const auto id = FindValue(v.digest)) {
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
    newValues_.emplace(v.digest, id);
    return id;
}

std::int64_t LookupWriter::Write(const PreparedLookup& lookup) {
    std::optional<std::int64_t> set = FindSet(lookup.setDigest);
    if (!set) {
        Statement& insertSet = statements_->insertSet;
        insertSet.BindBytes(1, View(lookup.setDigest));
        insertSet.Run();
        set = db_.LastInsertedId();
        newSets_.emplace(lookup.setDigest, *set);
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
    if (row.id) {
        insert.Bind(1, *row.id);
    }
    insert.BindText(2, row.account);
    insert.BindText(3, row.member);
    insert.Bind(4, row.startedMs);
    insert.Bind(5, row.endedMs);
    insert.BindText(6, row.end);
    insert.BindText(7, row.mode);
    insert.BindBytes(8, row.status);
    if (row.message) {
        insert.BindBytes(9, row.message->content);
        insert.BindBytes(10, row.message->caption);
        insert.Bind(11, row.message->flags);
    }
    insert.Bind(12, *set);
    insert.Bind(13, LeftOutOf(lookup));
    if (statements_->table == Table::kCurrent) {
        insert.BindText(14, row.who);
        insert.BindText(15, row.host);
    }
    insert.Run();
    return db_.LastInsertedId();
}

void LookupWriter::Committed() {
    values_.merge(newValues_);
    sets_.merge(newSets_);
    controls_.merge(newControls_);
    RolledBack();
}

void LookupWriter::RolledBack() {
    newValues_.clear();
    newSets_.clear();
    newControls_.clear();
}

}  // namespace kestrova
