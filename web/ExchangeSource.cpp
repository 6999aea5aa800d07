#include "web/ExchangeSource.h"

namespace kestrova {
namespace {

thread_local ExchangeSource* current = nullptr;

}  // namespace

ExchangeSource* ExchangeSource::Current() {
    return current;
}

void ThrowIfExchangesCancelled() {
    if (current != nullptr && current->Cancelled()) {
        throw LookupCancelled{};
    }
}

ScopedExchangeSource::ScopedExchangeSource(ExchangeSource& source) : previous_(current) {
    current = &source;
}

ScopedExchangeSource::~ScopedExchangeSource() {
    current = previous_;
}

}  // namespace kestrova
