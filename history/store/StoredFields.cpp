#include "history/store/StoredFields.h"

namespace kestrova {
namespace {

bool HasText(ControlKind kind) {
    return kind == ControlKind::EditBox || kind == ControlKind::Label ||
           kind == ControlKind::HyperLinker;
}

}  // namespace

bool IsPageStore(Ctl id) {
    return id == Ctl::编辑框82 || id == Ctl::编辑框2 || id == Ctl::编辑框98;
}

StoredField StoredFieldOf(const FieldStore& fields, const ControlDef& control) {
    StoredField field;
    if (HasText(control.kind)) {
        field.text = fields.ReadText(control.id);
    }
    if (control.kind == ControlKind::HyperLinker) {
        field.link = fields.ReadLinkAddress(control.id);
    }
    if (control.kind == ControlKind::PicBox) {
        field.picture = &fields.ReadPicture(control.id);
    }
    return field;
}

void RestoreField(FieldStore& fields, const ControlDef& control, const Text& text, const Text& link,
                  const ByteBuffer& picture) {
    if (HasText(control.kind)) {
        fields.WriteText(control.id, text);
    }
    if (control.kind == ControlKind::HyperLinker) {
        fields.WriteLinkAddress(control.id, link);
    }
    if (control.kind == ControlKind::PicBox) {
        fields.WritePicture(control.id, picture);
    }
}

}  // namespace kestrova
