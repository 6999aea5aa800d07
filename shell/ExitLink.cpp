#include "shell/ExitLink.h"

#include "shell/Opener.h"
#include "web/Endpoints.h"

namespace kestrova {

void ExitLinkRoutine() {
    OpenAddress(endpoints::kMakerAddress);
}

}  // namespace kestrova
