#pragma once
// Where a thread's requests go. By default every request is one transfer on
// the shared engine, waited for; a lookup binds a source of its own to the
// thread it runs on, to answer from transfers it started early, to count them,
// or to stop them all.

#include "web/Transport.h"

namespace kestrova {

// Thrown out of a request of a lookup that was cancelled: nothing of the
// lookup goes on after it.
struct LookupCancelled {};

class ExchangeSource {
  public:
    virtual ~ExchangeSource() = default;
    virtual WireResponse Exchange(const WireRequest& request) = 0;
    // Whether whoever runs the requests has stopped them all: long work
    // between two requests (re-encoding a picture) is not begun then.
    virtual bool Cancelled() const { return false; }

    // The source bound to the calling thread, if any.
    static ExchangeSource* Current();
};

// Throws LookupCancelled when the source bound to the calling thread has been
// cancelled.
void ThrowIfExchangesCancelled();

// Binds a source to the calling thread for the life of this object.
class ScopedExchangeSource {
  public:
    explicit ScopedExchangeSource(ExchangeSource& source);
    ~ScopedExchangeSource();
    ScopedExchangeSource(const ScopedExchangeSource&) = delete;
    ScopedExchangeSource& operator=(const ScopedExchangeSource&) = delete;

  private:
    ExchangeSource* previous_;
};

}  // namespace kestrova
