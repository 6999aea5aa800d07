#pragma once
// What the window shows where a query stops before its verdicts. The query
// writes these and the lookup history reads them back to tell how a lookup
// ended, so both take them from here.

#include "text/Gbk.h"
#include "text/Text.h"

namespace kestrova {

// 状态条1 after the profile request: no answer, an unknown and a blocked account.
inline const Text kFetchFailedMessage = Gbk("获取店铺信息失败!");
inline const Text kUnknownAccountMessage = Gbk("该账号不存在!");
inline const Text kBlockedAccountMessage = Gbk("该账号被查封!");

// 编辑框3 of an account with the Tmall mark, where the query stops.
inline const Text kTmallRole = Gbk("天猫ID");

}  // namespace kestrova
