#pragma once
// The listing's columns of a lookup, the same on both stores: the verdicts
// come along, the two labels' values in the lookup's field set. $1 and $2 are
// the two labels' control names (SQLite numbers a later ? from 3 on).

namespace kestrova {

inline constexpr const char* kSummaryColumns =
    "SELECT l.id, l.account, l.started_ms, l.ended_ms, l.end_kind, l.mode, l.status, "
    "bv.size, bv.packing, bv.bytes, sv.size, sv.packing, sv.bytes, l.left_out, l.who, l.host, "
    "l.message_text, l.message_caption, l.message_flags, l.complete, "
    "(SELECT count(*) FROM missing_page AS m WHERE m.lookup_id = l.id) "
    "FROM lookup AS l "
    "LEFT JOIN field AS bf ON bf.set_id = l.field_set_id "
    "AND bf.control_id = (SELECT id FROM control WHERE name = $1) "
    "LEFT JOIN stored_value AS bv ON bv.id = bf.text_id "
    "LEFT JOIN field AS sf ON sf.set_id = l.field_set_id "
    "AND sf.control_id = (SELECT id FROM control WHERE name = $2) "
    "LEFT JOIN stored_value AS sv ON sv.id = sf.text_id ";

}  // namespace kestrova
