#pragma once
// Searching and cutting GBK texts. Searches step character by character: after
// a failed comparison at a lead byte (0x81-0xFE) the trail byte is skipped too,
// so a match never starts on a trail byte counted from the start position.
// Cuts count bytes and may split a double-byte character.

#include <cstdint>
#include <vector>

#include "text/Text.h"
#include "text/TextArray.h"

namespace kestrova {

// 1-based position of the first occurrence at or after start, or -1. A start of
// 1 or less searches from the beginning, a start beyond the length gives -1.
// ignoreCase folds ASCII letters only. An empty sought text gives 1 when the
// searched part is non-empty, else -1.
int FindText(TextView text, TextView sought, int start = 1, bool ignoreCase = false);

// min(count, length - start + 1) bytes from start; start below 1 or beyond the
// length, or count 0 or less, give the empty text.
Text MidText(TextView text, int start, int count);
Text LeftText(TextView text, int count);
Text RightText(TextView text, int count);
int TextLength(TextView text);

// Unlimited replacements.
inline constexpr int kUnlimited = -1;

// Non-overlapping replacements from start; an inserted replacement is never
// searched again. maxCount kUnlimited means no limit; caseSensitive false folds
// ASCII letters.
Text ReplaceSubText(TextView text, TextView sought, TextView replacement = {}, int start = 1,
                    int maxCount = kUnlimited, bool caseSensitive = false);

// Pieces between delimiters (exact bytes); a trailing delimiter gives no empty
// last piece; maxPieces kUnlimited means no limit, 0 gives an empty array.
TextArray SplitText(TextView text, TextView delimiter = ",", int maxPieces = kUnlimited);

// The pieces SplitText(text, delimiter) makes, without a limit, as places in
// the text they were split from, which the caller keeps: a text of millions of
// tiny pieces costs no more than one of a few. Numbered from 1; an index
// outside 1..Count() raises the run-time fault, as TextArray does.
class PieceArray {
  public:
    static PieceArray Split(TextView text, TextView delimiter);

    int Count() const { return count_; }
    // Piece `index` of `text`, the very text it was split from.
    TextView Piece(TextView text, int index) const;
    void Clear() { *this = PieceArray(); }

  private:
    struct Place {
        std::size_t start = 0;
        std::size_t length = 0;
    };
    // The places of the first pieces are kept; a later one is found by going
    // on with the walk from the last one read.
    static constexpr std::size_t kKept = 64;

    Text delimiter_;
    int count_ = 0;
    std::vector<Place> kept_;
    mutable int laterIndex_ = 0;  // 1-based; 0: none read yet
    mutable Place later_;
};

// Without leading and trailing ASCII spaces and full-width spaces (A1 A1).
Text TrimSpaces(TextView text);

// ASCII a-z to A-Z; everything else unchanged.
Text ToUpper(TextView text);

}  // namespace kestrova
