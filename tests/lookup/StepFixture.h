#pragma once
// What every test of a page step needs: a headless window, the query's shared
// values, and a loopback server that plays every host.

#include <gtest/gtest.h>

#include <string>

#include "form/FieldStore.h"
#include "lookup/Lookup.h"
#include "tests/support/PageServer.h"
#include "text/Gbk.h"

namespace kestrova::test {

class StepFixture : public ::testing::Test {
  protected:
    StepFixture() : connect_(server) {}

    // A field's text as UTF-8, for readable comparisons.
    std::string Read(Ctl control) { return GbkToUtf8(window.ReadText(control)); }
    // Serves a page written in UTF-8 source as GBK bytes.
    void ServeGbk(const std::string& target, const std::string& utf8) {
        server.Serve(target, Gbk(utf8));
    }

    PageServer server;
    FieldStore window;
    QueryState state;
    Lookup q{window, state};

  private:
    ConnectToServer connect_;
};

}  // namespace kestrova::test
