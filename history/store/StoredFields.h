#pragma once
// What the history keeps of each control: the text of an edit box, label or
// link, a link's address, a picture box's picture. Saving and reading back go
// through this one table walk, so they cannot disagree on what a control holds.

#include "form/FieldStore.h"

namespace kestrova {

struct StoredField {
    Text text;                            // empty for controls without a text
    Text link;                            // empty but for links
    const ByteBuffer* picture = nullptr;  // picture boxes only
};

// The three edit boxes that keep whole page texts for the query's own later
// cuts: no field anyone reads, and by far the largest values a lookup holds.
bool IsPageStore(Ctl id);

StoredField StoredFieldOf(const FieldStore& fields, const ControlDef& control);

// Puts a kept value back; a control the saved lookup has no row for was empty.
void RestoreField(FieldStore& fields, const ControlDef& control, const Text& text, const Text& link,
                  const ByteBuffer& picture);

}  // namespace kestrova
