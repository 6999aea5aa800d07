#pragma once
// Texts one step writes into a field, or cuts with, and a later step compares
// a field with or cuts with again. One definition keeps the writer and the
// reader from drifting apart.

#include "text/Gbk.h"
#include "text/Text.h"

namespace kestrova {

// 编辑框3: the member's main role on the rating overview page.
inline const Text kSellerRole = Gbk("卖家为主");
inline const Text kBuyerRole = Gbk("买家为主");

// 超级链接框1 of a member without a shop.
inline const Text kNoShopCaption = Gbk("此人无店铺");

// The buyer credit on the rating overview page: 编辑框7 where the page lacks
// its list marker, and the good count of a buyer-mainly member.
inline const Text kBuyerCreditPattern = Gbk("买家信用：[\\s\\S]*?(\\d+)</a>");

}  // namespace kestrova
