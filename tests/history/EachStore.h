#pragma once
// A suite that runs on each store: every test on a fresh, empty history of
// the store this test program has (the server in the program that starts one,
// the file in the others).

#include <gtest/gtest.h>

#include <string>

#include "HistoryTesting.h"

namespace kestrova::testing {

class EachStore : public ::testing::TestWithParam<StoreKind> {
  protected:
    HistoryUnderTest store_{GetParam()};
    const HistoryPlace& file = store_.Place();
};

inline auto StoresOfThisProgram() {
#ifdef KESTROVA_STORES_ON_SERVER
    return ::testing::Values(StoreKind::kServer);
#else
    return ::testing::Values(StoreKind::kFile);
#endif
}

inline std::string StoreParamName(const ::testing::TestParamInfo<StoreKind>& info) {
    return StoreName(info.param);
}

}  // namespace kestrova::testing
