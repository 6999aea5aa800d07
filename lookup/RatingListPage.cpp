// The two rating lists (ratings given, ratings received): JSONP split at
// "aucNumId", each entry cut from its own piece into one of 28 rows.

#include "assets/Assets.h"
#include "form/RatingRows.h"
#include "lookup/Lookup.h"
#include "lookup/MarkerCut.h"
#include "lookup/PageAddresses.h"
#include "lookup/PictureBoxes.h"
#include "text/Convert.h"
#include "text/Search.h"
#include "web/Endpoints.h"
#include "web/HttpSessionRequest.h"

namespace kestrova {

namespace {

const Text kEntryKey = "aucNumId";
const Text kGoodRate = "rate\":\"1";
const Text kNeutralRate = "rate\":\"0";
const Text kEscapedLineBreak = "<br/>\\n";

Text Comment(TextView piece) {
    const Text comment = MarkerCut(piece, "content", 10, 999, "\",\"", 1);
    return ReplaceSubText(ReplaceSubText(comment, "&hellip;", "...", 1, 9, true), kEscapedLineBreak,
                          "...", 1, 9, true);
}

ByteBuffer RatingIcon(TextView piece) {
    if (FindText(piece, kGoodRate) != -1) {
        return BytesOf(assets::GoodRatingIcon());
    }
    if (FindText(piece, kNeutralRate) != -1) {
        return BytesOf(assets::NeutralRatingIcon());
    }
    return BytesOf(assets::BadRatingIcon());
}

Text ItemLine(TextView piece) {
    const Text title = MarkerCut(piece, "title", 8, 999, "},", 2);
    const Text variant = MarkerCut(piece, "sku", 6, 999, ",", 2);
    const Text date = MarkerCut(piece, "date", 7, 999, ",", 2);
    return title + " | " + variant + " | " + date;
}

}  // namespace

Text RatingListAddress(RatingList list, const Text& memberId) {
    const Text base = Text("http://") + endpoints::kRatingHost + endpoints::kRatingListPath +
                      "?content=1&result=&from=rate&user_id=" + memberId;
    if (list == RatingList::Given) {
        return base + "&identity=1&rater=3&direction=1&callback=shop_rate_list";
    }
    return base + "&identity=1&rater=0&direction=0&page=1&callback=shop_rate_list";
}

void ShowRatingList(Lookup& q, RatingList list) {
    Window& w = q.window;
    // The pieces of the list before go before the next list comes: at the
    // size cap they are a whole page and millions of places.
    PieceArray& pieces = q.state.pieces;
    pieces.Clear();
    w.WriteText(Ctl::编辑框82,
                ToText(HttpSessionRequest(RatingListAddress(list, w.ReadText(Ctl::编辑框4)))));

    const Text& body = w.ReadText(Ctl::编辑框82);
    pieces = PieceArray::Split(body, kEntryKey);
    const int entries = pieces.Count() - 1;

    const auto& rows = RatingRows(list == RatingList::Given ? 1 : 2);
    for (int k = 1; k <= static_cast<int>(rows.size()) && k <= entries; ++k) {
        const TextView piece = pieces.Piece(body, k + 1);
        const RatingRow& row = rows[static_cast<std::size_t>(k - 1)];
        w.WriteText(row.comment, Comment(piece));
        w.WritePicture(row.icon, RatingIcon(piece));
        w.WriteText(row.nickname, MarkerCut(piece, "nick", 7, 999, ",", 2));
        w.WriteText(row.itemLine, ItemLine(piece));
    }
}

}  // namespace kestrova
