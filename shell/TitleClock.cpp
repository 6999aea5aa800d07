#include "shell/TitleClock.h"

#include "text/Convert.h"
#include "text/DateTimeOps.h"
#include "text/Gbk.h"

namespace kestrova {

Text TitleText(DateTime now) {
    static const Text kProgram = Gbk(" Kestrova--专业查询分析买/卖双方信息资料软件");
    static const Text kMaker = "[Orvanel]";
    const Text gap(24, ' ');
    return kProgram + gap + kMaker + gap + ToText(now);
}

void TitleRoutine(Window& window) {
    window.WriteTitle(TitleText(NowTime()));
}

}  // namespace kestrova
