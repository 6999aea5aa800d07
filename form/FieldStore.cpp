#include "form/FieldStore.h"

#include <cassert>
#include <cstddef>
#include <utility>

#include "text/Gbk.h"

namespace kestrova {
namespace {

std::size_t Index(Ctl control) {
    return static_cast<std::size_t>(control);
}

bool IsKind(Ctl control, ControlKind kind) {
    return Index(control) < kControlCount && Controls()[Index(control)].kind == kind;
}

bool HasText(Ctl control) {
    return IsKind(control, ControlKind::EditBox) || IsKind(control, ControlKind::Label) ||
           IsKind(control, ControlKind::HyperLinker);
}

const Text kNoText;
const ByteBuffer kNoPicture;

}  // namespace

FieldStore::FieldStore() : texts_(kControlCount), links_(kControlCount), pictures_(kControlCount) {
    for (const ControlDef& def : Controls()) {
        if (HasText(def.id)) {
            texts_[Index(def.id)] = Gbk(def.caption);
        }
        if (def.kind == ControlKind::HyperLinker) {
            links_[Index(def.id)] = Gbk(def.link);
        }
    }
}

FieldStore::FieldStore(const DesignPictures& pictures) : FieldStore() {
    WriteDesignPictures(*this, pictures);
}

const Text& FieldStore::ReadText(Ctl control) {
    return std::as_const(*this).ReadText(control);
}

const Text& FieldStore::ReadText(Ctl control) const {
    static const Text kNone;
    const bool valid = HasText(control);
    assert(valid && "ReadText: the control has no text");
    return valid ? texts_[Index(control)] : kNone;
}

void FieldStore::WriteText(Ctl control, const Text& text) {
    const bool valid = HasText(control);
    assert(valid && "WriteText: the control has no text");
    if (valid) {
        texts_[Index(control)] = text;
    }
}

void FieldStore::WriteText(Ctl control, Text&& text) {
    const bool valid = HasText(control);
    assert(valid && "WriteText: the control has no text");
    if (valid) {
        texts_[Index(control)] = std::move(text);
    }
}

void FieldStore::WriteLinkAddress(Ctl control, const Text& address) {
    const bool valid = IsKind(control, ControlKind::HyperLinker);
    assert(valid && "WriteLinkAddress: the control is not a link");
    if (valid) {
        links_[Index(control)] = address;
    }
}

void FieldStore::WritePicture(Ctl control, const ByteBuffer& bytes) {
    const bool valid = IsKind(control, ControlKind::PicBox);
    assert(valid && "WritePicture: the control is not a picture box");
    if (valid) {
        pictures_[Index(control)] = bytes;
    }
}

void FieldStore::StatusBarSetText(int part, const Text& text) {
    if (part == 0) {
        status_ = text;
    }
}

int FieldStore::MessageBox(const Text& content, int flags, const Text& caption) {
    lastMessageBox_ = MessageBoxRecord{content, flags, caption};
    ++messageBoxCount_;
    return 0;
}

void FieldStore::ProcessEvents() {
    ++processEventsCount_;
}

void FieldStore::WriteTitle(const Text& title) {
    title_ = title;
}

const Text& FieldStore::ReadLinkAddress(Ctl control) const {
    const bool valid = IsKind(control, ControlKind::HyperLinker);
    assert(valid && "ReadLinkAddress: the control is not a link");
    return valid ? links_[Index(control)] : kNoText;
}

const ByteBuffer& FieldStore::ReadPicture(Ctl control) const {
    const bool valid = IsKind(control, ControlKind::PicBox);
    assert(valid && "ReadPicture: the control is not a picture box");
    return valid ? pictures_[Index(control)] : kNoPicture;
}

std::size_t FieldStore::HeldBytes() const {
    std::size_t bytes = status_.size() + title_.size();
    for (const Text& text : texts_) {
        bytes += text.size();
    }
    for (const Text& link : links_) {
        bytes += link.size();
    }
    for (const ByteBuffer& picture : pictures_) {
        bytes += picture.size();
    }
    if (lastMessageBox_) {
        bytes += lastMessageBox_->content.size() + lastMessageBox_->caption.size();
    }
    return bytes;
}

}  // namespace kestrova
