#include "form/Controls.h"
#include "lookup/Lookup.h"

namespace kestrova {

void ResetResultFields(Window& window) {
    for (const ControlDef& control : Controls()) {
        if (!control.result) {
            continue;
        }
        switch (control.kind) {
            case ControlKind::EditBox:
            case ControlKind::Label:
                window.WriteText(control.id, Text());
                break;
            case ControlKind::HyperLinker:
                window.WriteText(control.id, Text());
                window.WriteLinkAddress(control.id, Text());
                break;
            case ControlKind::PicBox:
                window.WritePicture(control.id, ByteBuffer());
                break;
            default:
                break;
        }
    }
}

}  // namespace kestrova
