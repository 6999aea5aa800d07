#include "history/PagesGot.h"

namespace kestrova {

PagesGotWriter::PagesGotWriter(Connection& db)
    : markComplete_(db, "UPDATE lookup SET complete = ? WHERE id = ?"),
      insertMissing_(db,
                     "INSERT INTO missing_page (lookup_id, position, page, url, reason) "
                     "VALUES (?, ?, ?, ?, ?)") {}

void PagesGotWriter::Write(std::int64_t lookupId, const Completeness& pages) {
    markComplete_.Bind(1, pages.complete ? 1 : 0);
    markComplete_.Bind(2, lookupId);
    markComplete_.Run();
    std::int64_t position = 0;
    for (const MissingPage& page : pages.missing) {
        insertMissing_.Bind(1, lookupId);
        insertMissing_.Bind(2, position++);
        insertMissing_.BindText(3, page.page);
        insertMissing_.BindBytes(4, page.url);
        insertMissing_.BindText(5, page.reason);
        insertMissing_.Run();
    }
}

std::optional<Completeness> ReadPagesGot(Connection& db, std::int64_t lookupId) {
    Statement head(db, "SELECT complete FROM lookup WHERE id = ?");
    head.Bind(1, lookupId);
    if (!head.Step() || head.IsNull(0)) {
        return std::nullopt;
    }
    Completeness pages;
    pages.complete = head.Number(0) != 0;
    Statement missing(db,
                      "SELECT page, url, reason FROM missing_page WHERE lookup_id = ? "
                      "ORDER BY position");
    missing.Bind(1, lookupId);
    while (missing.Step()) {
        pages.missing.push_back(MissingPage{missing.Bytes(0), missing.Bytes(1), missing.Bytes(2)});
    }
    return pages;
}

}  // namespace kestrova
