#include "history/store/FieldValues.h"

#include <unordered_map>

namespace kestrova {
namespace {

std::string_view View(const ByteBuffer& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

Sha256Digest DigestOf(std::string_view bytes) {
    return Sha256Of(ByteBuffer(bytes.begin(), bytes.end()));
}

void AppendNumber(std::string& out, std::int64_t number) {
    for (int shift = 0; shift < 64; shift += 8) {
        out += static_cast<char>((number >> shift) & 0xff);
    }
}

}  // namespace

FieldValues::FieldValues(const FieldStore& window) {
    stored_.reserve(Controls().size());
    for (const ControlDef& c : Controls()) {
        stored_.push_back(StoredFieldOf(window, c));
    }
    // The rating rows show the same few icons and captions over and over:
    // each distinct value is hashed once.
    std::unordered_map<std::string_view, int> seen;
    auto add = [this, &seen](std::string_view bytes, bool pageText, bool picture) {
        if (bytes.empty()) {
            return -1;
        }
        if (const auto found = seen.find(bytes); found != seen.end() &&
                                                 values_[found->second].pageText == pageText &&
                                                 values_[found->second].picture == picture) {
            return found->second;
        }
        const int index = Add(bytes, pageText, picture);
        seen.emplace(bytes, index);
        return index;
    };
    for (std::size_t k = 0; k < stored_.size(); ++k) {
        const ControlDef& c = Controls()[k];
        const StoredField& field = stored_[k];
        FieldReference reference{&c};
        reference.text = add(field.text, IsPageStore(c.id), false);
        reference.link = add(field.link, false, false);
        if (field.picture != nullptr) {
            reference.picture = add(View(*field.picture), false, true);
        }
        if (reference.text >= 0 || reference.link >= 0 || reference.picture >= 0) {
            fields_.push_back(reference);
        }
    }
}

int FieldValues::Add(std::string_view bytes, bool pageText, bool picture) {
    // The same bytes as a page text and as a field are one value in the file;
    // here they are two, so that leaving the page texts out leaves the field.
    values_.push_back({DigestOf(bytes), bytes, pageText, picture});
    return static_cast<int>(values_.size() - 1);
}

Sha256Digest FieldValues::Digest() const {
    std::string set;
    set.reserve(fields_.size() * 112);
    auto reference = [this, &set](int value) {
        if (value < 0) {
            set.append(32, '\0');
        } else {
            const Sha256Digest& digest = values_[static_cast<std::size_t>(value)].digest;
            set.append(reinterpret_cast<const char*>(digest.data()), digest.size());
        }
    };
    for (const FieldReference& field : fields_) {
        if (field.text < 0 && field.link < 0 && field.picture < 0) {
            continue;
        }
        AppendNumber(set, static_cast<std::int64_t>(std::string_view(field.control->name).size()));
        set += field.control->name;
        reference(field.text);
        reference(field.link);
        reference(field.picture);
    }
    return DigestOf(set);
}

void FieldValues::LeaveOutPageTexts() {
    for (FieldReference& field : fields_) {
        if (field.text >= 0 && values_[static_cast<std::size_t>(field.text)].pageText) {
            field.text = -1;
            leftOut_ |= kPageTextsLeftOut;
        }
    }
}

void FieldValues::LeaveOutPicture(int value) {
    for (FieldReference& field : fields_) {
        if (field.picture == value) {
            field.picture = -1;
            leftOut_ |= kPicturesLeftOut;
        }
    }
}

}  // namespace kestrova
