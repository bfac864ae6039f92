#pragma once
// A program folder as `make run` leaves it (a starter register, empty carriers) and a private
// runtime folder of its own, for tests that run sitora-cli against it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "data/engine/sqlite/sqlite_schema.h"
#include "support/temp_folder.h"
#include "support/test_server.h"

namespace sitora::test {

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        data::CreateStarterDatabase(program_ / "db.mdb");
        if (OnServer()) {
            if (!ServerDatabaseUri("postgres")) GTEST_SKIP() << "the test server is not running";
            MoveRegisterToServer(program_.path());
        }
        WriteFile(program_ / "key.exe", "");
        WriteFile(program_ / "sk.exe", "");
        setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }

    // An empty register in place of the one the test used.
    void EmptyRegister() {
        std::filesystem::remove(program_ / "db.mdb");
        data::CreateStarterDatabase(program_ / "db.mdb");
        if (OnServer()) MoveRegisterToServer(program_.path());
    }

    TempFolder program_;
    TempFolder runtime_;
};

}  // namespace sitora::test
