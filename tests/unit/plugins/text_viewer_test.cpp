// The program's own text viewer: what it accepts and the text it gathers from a stream of any
// length. (Its name and menu text are checked where they are shown: the cell menu and the
// Plug-ins dialog.)

#include <gtest/gtest.h>

#include "datasource/text_convert.h"
#include "plugins/text_viewer_plugin.h"
#include "unit/plugins/plugin_test_support.h"

namespace quillet::plugins {
namespace {

struct GatherCase {
  const char* name;
  std::string bytes;  // the stream's content
  std::uint32_t type;
  std::string expected;
};

std::string Repeat(std::size_t n, char c) {
  return std::string(n, c);
}

// A wide text whose surrogate pair straddles the first 4096-byte piece.
std::u16string SplitPair() {
  std::u16string text(2047, u'a');
  text += u"\U0001F338";
  text += u"end";
  return text;
}

class GatherTextTest : public testing::TestWithParam<GatherCase> {};

TEST_P(GatherTextTest, ReadsTheWholeText) {
  BlobStorage storage;
  QuilletStream* s = storage.CreateStream(kBlobStreamName);
  ASSERT_EQ(WriteAll(s, GetParam().bytes.data(), GetParam().bytes.size()), QUILLET_S_OK);
  TextViewerPlugin viewer;
  test::RecordingPluginUi ui;
  BlobInfo info{s, GetParam().type};
  ASSERT_TRUE(viewer.TestBLOB(&info));
  ASSERT_TRUE(viewer.ShowBLOB(nullptr, 0, &info));
  EXPECT_EQ(viewer.Text(), GetParam().expected);
  ASSERT_EQ(ui.texts.size(), 1u);
  EXPECT_EQ(ui.texts[0], GetParam().expected);
  EXPECT_EQ(viewer.GetLastErrorText(), nullptr);
  s->vtbl->Release(s);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, GatherTextTest,
    testing::Values(
        GatherCase{"exactly_one_piece", Repeat(4096, 'e'), 129, Repeat(4096, 'e')},
        GatherCase{"inline_cell", std::string("abc") + std::string(511, '\0'), 129, "abc"},
        GatherCase{"utf8_split_between_pieces", Repeat(4095, 'x') + "\xC5\x81\xC3\xB3", 129,
                   Repeat(4095, 'x') + "\xC5\x81\xC3\xB3"},
        GatherCase{"empty", "", 129, ""},
        GatherCase{"wide", db::Utf16ToBytesLE(u"Zo\u00EB \u6771\u4EAC") + std::string(4, '\0'), 130,
                   "Zo\xC3\xAB \xE6\x9D\xB1\xE4\xBA\xAC"},
        GatherCase{"wide_pair_split_between_pieces", db::Utf16ToBytesLE(SplitPair()), 130,
                   db::Utf16ToUtf8(SplitPair())}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TextViewer, RefusesBinaryWithTheTypeInItsReason) {
  BlobStorage storage;
  QuilletStream* s = storage.CreateStream(kBlobStreamName);
  WriteAll(s, "\x01\x02", 2);
  TextViewerPlugin viewer;
  test::RecordingPluginUi ui;
  BlobInfo info{s, 128};
  EXPECT_FALSE(viewer.TestBLOB(&info));
  EXPECT_FALSE(viewer.ShowBLOB(nullptr, 0, &info));
  ASSERT_NE(viewer.GetLastErrorText(), nullptr);
  EXPECT_STREQ(viewer.GetLastErrorText(), "Unsupported data type (128)");
  EXPECT_TRUE(ui.texts.empty());
  // Asking again clears the reason.
  info.type = 129;
  EXPECT_TRUE(viewer.TestBLOB(&info));
  EXPECT_EQ(viewer.GetLastErrorText(), nullptr);
  s->vtbl->Release(s);
}

}  // namespace
}  // namespace quillet::plugins
