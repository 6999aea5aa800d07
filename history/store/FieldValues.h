#pragma once
// What a lookup keeps of its window, as the history stores it: each control's
// text, link address and picture as references to distinct values, each value
// with its SHA-256. A lookup whose values are all the same as an earlier one's
// has the same set, and the file keeps that set once.

#include <cstdint>
#include <string_view>
#include <vector>

#include "form/FieldStore.h"
#include "history/store/PictureHash.h"
#include "history/store/StoredFields.h"

namespace kestrova {

// What a saved lookup lacks because it did not fit in the history's bound
// (the file's own numbers, combined).
enum LeftOut : int {
    kNothingLeftOut = 0,
    kPageTextsLeftOut = 1,  // the whole page texts kept for the query's own use
    kPicturesLeftOut = 2,   // some pictures (after the page texts, the largest first)
};

struct FieldValue {
    Sha256Digest digest;
    std::string_view bytes;  // into the FieldValues' own fields, or the window's pictures
    bool pageText = false;
    bool picture = false;
};

struct FieldReference {
    const ControlDef* control;
    int text = -1;  // index into values, -1: none
    int link = -1;
    int picture = -1;
};

class FieldValues {
  public:
    // The window must outlive this (its pictures are not copied).
    explicit FieldValues(const FieldStore& window);
    FieldValues(const FieldValues&) = delete;
    FieldValues& operator=(const FieldValues&) = delete;

    const std::vector<FieldValue>& Values() const { return values_; }
    const std::vector<FieldReference>& Fields() const { return fields_; }
    int LeftOutParts() const { return leftOut_; }

    // The set's own SHA-256: the same for the same controls holding the same values.
    Sha256Digest Digest() const;

    void LeaveOutPageTexts();
    void LeaveOutPicture(int value);

  private:
    int Add(std::string_view bytes, bool pageText, bool picture);

    std::vector<StoredField> stored_;  // the texts the references point into
    std::vector<FieldValue> values_;
    std::vector<FieldReference> fields_;
    int leftOut_ = kNothingLeftOut;
};

}  // namespace kestrova
