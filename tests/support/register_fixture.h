#pragma once
// A program folder with a starter register and the data module connected to it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "data/data_module.h"
#include "support/temp_folder.h"

namespace sitora::test {

// The 23 insert parameters of one record; tests change what they need.
std::map<std::string, std::string> SampleRecord(const std::string& number, const std::string& address);

// Adds a record whose back-end password is sealed under the register key that `data_key` (code
// page 936 bytes) opens, made when the register has none, through a connection of its own.
void InsertSealedRecord(const std::string& program_folder, const std::string& number, const std::string& address,
                        const std::string& password, const std::string& data_key);

class RegisterTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Inserts a record through the insert statement on ADOQuery2.
    void Insert(const std::map<std::string, std::string>& record);
    void InsertDates(const std::string& number, const std::string& space_end, const std::string& domain_end);
    // Runs a statement on ADOQuery4 and returns its single value (or rows' count when asked).
    std::string Scalar(const std::string& statement);

    TempFolder folder_;
    data::TDataModule1 module_;
};

}  // namespace sitora::test
