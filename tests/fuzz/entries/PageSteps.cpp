#include "PageSteps.h"

#include "FieldRules.h"
#include "FuzzInput.h"
#include "LoopbackPages.h"

namespace kestrova::fuzz {

void Prepare(StepRun& run, std::vector<std::string> parts, std::size_t first) {
    run.parts = parts;
    LoopbackPages::Instance().Serve(std::move(parts), first);
    run.window.WriteText(Ctl::编辑框1, "x");
    run.window.WriteText(Ctl::编辑框4, "1");
}

void CheckFields(const StepRun& run) {
    FieldRuleOptions options;
    options.servedPicture = [&run](const ByteBuffer& bytes) {
        for (const std::string& part : run.parts) {
            if (std::string(bytes.begin(), bytes.end()) == part) {
                return true;
            }
        }
        return false;
    };
    const std::vector<std::string> broken = BrokenFieldRules(run.window, options);
    if (!broken.empty()) {
        FuzzFail(broken.front());
    }
}

}  // namespace kestrova::fuzz
