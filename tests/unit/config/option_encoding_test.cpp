// The option-number and 32-bit number encodings every settings group shares.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/registry_values.h"

namespace quillet::config {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes TextBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::int32_t Parse(const std::string& text) {
  return ParseOptionNumber(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(OptionNumber, IsDecimalTextPaddedTo125Bytes) {
  Bytes twenty = EncodeOptionNumber(20);
  ASSERT_EQ(twenty.size(), 125u);
  Bytes expected(125, 0);
  expected[0] = '2';
  expected[1] = '0';
  EXPECT_EQ(twenty, expected);

  // Written as an unsigned number, read back as a signed one.
  Bytes minusFive = EncodeOptionNumber(-5);
  ASSERT_EQ(minusFive.size(), 125u);
  EXPECT_STREQ(reinterpret_cast<const char*>(minusFive.data()), "4294967291");
  EXPECT_EQ(ParseOptionNumber(minusFive.data(), minusFive.size()), -5);
  for (std::int32_t value : {0, 1, 500, INT32_MAX, INT32_MIN}) {
    Bytes data = EncodeOptionNumber(value);
    EXPECT_EQ(ParseOptionNumber(data.data(), data.size()), value) << value;
  }
}

TEST(OptionNumber, ConvertsTextLikeTheClassicDigitLoop) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {" 42abc", 42},     {"abc", 0},      {"", 0},    {"-5", -5},
      {"+7", 7},          {"\t\n 13", 13}, {"- 5", 0}, {"--3", 0},
      {"12 34", 12},      {"0x1F", 0},     {"007", 7}, {"2147483647", INT32_MAX},
      {"4294967291", -5},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.text), c.value) << '"' << c.text << '"';
  // Conversion stops at the first zero byte, as it would in the read buffer.
  EXPECT_EQ(Parse(std::string("12\0"
                              "34",
                              5)),
            12);
}

class OptionNumberInStore : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.CreateKey("Options", &key_), ERROR_SUCCESS); }
  RegistryStore store_{":memory:"};
  RegKey key_;
};

TEST_F(OptionNumberInStore, ReadKeepsTheDefaultUnlessAValueIsRead) {
  OptionValue option(99);
  EXPECT_EQ(ReadOptionNumber(key_, "Missing", option), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(option.Get(), 99);

  // One byte over the read buffer: the read fails and the default stays.
  Bytes tooLong(502, 0);
  tooLong[0] = '5';
  key_.SetValue("TooLong", REG_SZ, tooLong);
  EXPECT_EQ(ReadOptionNumber(key_, "TooLong", option), ERROR_MORE_DATA);
  EXPECT_EQ(option.Get(), 99);

  tooLong.resize(501);  // exactly the buffer: read
  key_.SetValue("Fits", REG_SZ, tooLong);
  EXPECT_EQ(ReadOptionNumber(key_, "Fits", option), ERROR_SUCCESS);
  EXPECT_EQ(option.Get(), 5);

  key_.SetValue("Text", REG_SZ, TextBytes(" 42abc"));
  EXPECT_EQ(ReadOptionNumber(key_, "Text", option), ERROR_SUCCESS);
  EXPECT_EQ(option.Get(), 42);
  key_.SetValue("Letters", REG_SZ, TextBytes("abc"));
  ReadOptionNumber(key_, "Letters", option);
  EXPECT_EQ(option.Get(), 0);
}

TEST_F(OptionNumberInStore, OtherTypesAreReadAsRawText) {
  OptionValue option(99);
  key_.SetValue("Binary", REG_BINARY, TextBytes("12"));
  ReadOptionNumber(key_, "Binary", option);
  EXPECT_EQ(option.Get(), 12);
  // The dword 42 is the byte '*': no digits.
  key_.SetValue("Dword", REG_DWORD, Bytes{42, 0, 0, 0});
  ReadOptionNumber(key_, "Dword", option);
  EXPECT_EQ(option.Get(), 0);
}

TEST_F(OptionNumberInStore, WriteStoresTheFixedSizeText) {
  ASSERT_EQ(WriteOptionNumber(key_, "Negative", -5), ERROR_SUCCESS);
  std::uint32_t type = 0;
  Bytes data;
  ASSERT_EQ(key_.QueryValue("Negative", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(data, EncodeOptionNumber(-5));
  OptionValue option;
  ReadOptionNumber(key_, "Negative", option);
  EXPECT_EQ(option.Get(), -5);
}

TEST_F(OptionNumberInStore, DwordsAreExactlyFourLittleEndianBytes) {
  ASSERT_EQ(WriteDword(key_, "Number", 0x01020304u), ERROR_SUCCESS);
  std::uint32_t type = 0;
  Bytes data;
  ASSERT_EQ(key_.QueryValue("Number", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data, (Bytes{4, 3, 2, 1}));
  std::uint32_t value = 7;
  EXPECT_EQ(ReadDword(key_, "Number", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 0x01020304u);

  key_.SetValue("Short", REG_DWORD, Bytes{1, 2});
  key_.SetValue("Long", REG_BINARY, Bytes(8, 1));
  value = 7;
  EXPECT_EQ(ReadDword(key_, "Short", &value), ERROR_INVALID_DATA);
  EXPECT_EQ(ReadDword(key_, "Long", &value), ERROR_MORE_DATA);
  EXPECT_EQ(ReadDword(key_, "Missing", &value), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(value, 7u);
}

}  // namespace
}  // namespace quillet::config
