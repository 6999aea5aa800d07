#include "text/TextArray.h"

#include "text/RuntimeFault.h"

namespace kestrova {

const Text& TextArray::operator[](int index) const {
    if (index < 1) {
        RaiseIndexBelowOne();
    }
    if (index > Count()) {
        RaiseIndexAboveCount();
    }
    return items_[static_cast<std::size_t>(index - 1)];
}

}  // namespace kestrova
