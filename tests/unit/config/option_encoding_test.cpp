// The option-number encoding every settings group shares. (The 32-bit numbers are checked
// through the groups and the export file.)

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/registry_values.h"

namespace quillet::config {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(OptionNumber, IsUnsignedDecimalTextPaddedTo125Bytes) {
  Bytes expected(125, 0);
  expected[0] = '2';
  expected[1] = '0';
  EXPECT_EQ(EncodeOptionNumber(20), expected);
  Bytes minusFive = EncodeOptionNumber(-5);
  ASSERT_EQ(minusFive.size(), 125u);
  EXPECT_STREQ(reinterpret_cast<const char*>(minusFive.data()), "4294967291");
  for (std::int32_t value : {-5, 0, INT32_MAX, INT32_MIN}) {
    Bytes data = EncodeOptionNumber(value);
    EXPECT_EQ(ParseOptionNumber(data.data(), data.size()), value) << value;
  }
}

TEST(OptionNumber, ConvertsTextLikeTheClassicDigitLoop) {
  const struct {
    std::string text;
    std::int32_t value;
  } cases[] = {
      {" 42abc", 42},
      {"-5", -5},
      {"\t\n 13", 13},
      {"- 5", 0},
      {"4294967291", -5},
      {std::string("12\0"
                   "34",
                   5),
       12},  // stops at a zero byte
  };
  for (const auto& c : cases) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(c.text.data());
    EXPECT_EQ(ParseOptionNumber(data, c.text.size()), c.value) << '"' << c.text << '"';
  }
}

TEST(OptionNumber, StoredValuesReadIntoTheOptionOrKeepItsDefault) {
  RegistryStore store(":memory:");
  RegKey key;
  ASSERT_EQ(store.CreateKey("Options", &key), ERROR_SUCCESS);
  Bytes padded(502, 0);  // one byte over the 501-byte read buffer
  padded[0] = '5';
  key.SetValue("TooLong", REG_SZ, padded);
  padded.resize(501);
  key.SetValue("Fits", REG_SZ, padded);
  key.SetValue("Text", REG_SZ, " 42abc", 6);
  key.SetValue("Letters", REG_SZ, "abc", 3);
  key.SetValue("Binary", REG_BINARY, "12", 2);           // other types: read as raw text
  key.SetValue("Dword", REG_DWORD, Bytes{42, 0, 0, 0});  // the byte '*': no digits
  ASSERT_EQ(WriteOptionNumber(key, "Written", -5), ERROR_SUCCESS);

  const struct {
    const char* name;
    RegResult result;
    std::int32_t value;
  } cases[] = {{"Missing", ERROR_FILE_NOT_FOUND, 99},
               {"TooLong", ERROR_MORE_DATA, 99},
               {"Fits", ERROR_SUCCESS, 5},
               {"Text", ERROR_SUCCESS, 42},
               {"Letters", ERROR_SUCCESS, 0},
               {"Binary", ERROR_SUCCESS, 12},
               {"Dword", ERROR_SUCCESS, 0},
               {"Written", ERROR_SUCCESS, -5}};
  for (const auto& c : cases) {
    OptionValue option(99);
    EXPECT_EQ(ReadOptionNumber(key, c.name, option), c.result) << c.name;
    EXPECT_EQ(option.Get(), c.value) << c.name;
  }
}

}  // namespace
}  // namespace quillet::config
