#include "history/sqlite/ValueSetUpgrade.h"

#include <map>
#include <string>

#include "history/sqlite/LookupWriter.h"
#include "history/store/Database.h"
#include "history/store/StoredFields.h"

namespace kestrova {
namespace {

ByteBuffer BufferOf(const std::string& bytes) {
    return ByteBuffer(bytes.begin(), bytes.end());
}

// One older lookup's window, as the older reading put it back.
FieldStore WindowOf(Statement& texts, Statement& pictures, std::int64_t id) {
    std::map<std::string, std::pair<Text, Text>, std::less<>> values;
    texts.Bind(1, id);
    while (texts.Step()) {
        values[texts.Bytes(0)] = {texts.Bytes(1), texts.Bytes(2)};
    }
    texts.Reset();
    std::map<std::string, ByteBuffer, std::less<>> shown;
    pictures.Bind(1, id);
    while (pictures.Step()) {
        shown[pictures.Bytes(0)] = BufferOf(pictures.Bytes(1));
    }
    pictures.Reset();

    FieldStore window;
    static const std::pair<Text, Text> kNoText;
    static const ByteBuffer kNoPicture;
    for (const ControlDef& c : Controls()) {
        const auto text = values.find(std::string_view(c.name));
        const auto picture = shown.find(std::string_view(c.name));
        const auto& [value, link] = text != values.end() ? text->second : kNoText;
        RestoreField(window, c, value, link, picture != shown.end() ? picture->second : kNoPicture);
    }
    return window;
}

}  // namespace

void MoveVersion2Lookups(Connection& db) {
    LookupWriter writer(db, LookupWriter::Table::kVersion3);
    Statement lookups(db,
                      "SELECT id, account, started_ms, ended_ms, end_kind, mode, status, "
                      "message_text, message_caption, message_flags FROM lookup_v2 ORDER BY id");
    Statement texts(db, "SELECT control, text, link FROM field_v2 WHERE lookup_id = ?");
    Statement pictures(db,
                       "SELECT s.control, p.bytes FROM shown_picture_v2 AS s "
                       "JOIN picture_v2 AS p ON p.sha256 = s.sha256 WHERE s.lookup_id = ?");
    while (lookups.Step()) {
        LookupRow row;
        row.id = lookups.Number(0);
        row.account = lookups.Bytes(1);
        row.started = TimeOf(lookups.Number(2));
        row.ended = TimeOf(lookups.Number(3));
        row.end = lookups.Bytes(4);
        row.mode = lookups.Bytes(5);
        row.status = lookups.Bytes(6);
        if (!lookups.IsNull(7)) {
            row.message = MessageBoxRecord{lookups.Bytes(7), static_cast<int>(lookups.Number(9)),
                                           lookups.Bytes(8)};
        }
        const FieldStore window = WindowOf(texts, pictures, row.id);
        writer.Write(*writer.Prepare(std::move(row), window));
    }
    db.Execute(
        "DROP TABLE shown_picture_v2; DROP TABLE field_v2; DROP TABLE picture_v2; "
        "DROP TABLE lookup_v2;");
    writer.Committed();  // the caller commits; the writer is not used again
}

}  // namespace kestrova
