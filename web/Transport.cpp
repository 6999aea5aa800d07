#include "web/Transport.h"

#include "web/ExchangeSource.h"
#include "web/TransferEngine.h"

namespace kestrova {

WireResponse Exchange(const WireRequest& request) {
    if (ExchangeSource* source = ExchangeSource::Current()) {
        return source->Exchange(request);
    }
    return TransferEngine::Shared().Start(request).Take();
}

}  // namespace kestrova
