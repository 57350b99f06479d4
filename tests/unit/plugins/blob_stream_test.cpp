// The storage file's one stream: what a plug-in reads, and what replacing or removing the
// stream does to a stream object still held.

#include <gtest/gtest.h>

#include "unit/plugins/plugin_test_support.h"

namespace quillet::plugins {
namespace {

std::uint64_t SizeOf(QuilletStream* s) {
  std::uint64_t size = 0;
  EXPECT_EQ(StreamSize(s, &size), QUILLET_S_OK);
  return size;
}

TEST(BlobStream, WritesSeeksAndReadsLikeAFile) {
  BlobStorage storage;
  ASSERT_TRUE(storage.IsOpen());
  QuilletStream* s = storage.CreateStream(kBlobStreamName);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(storage.HasStream(kBlobStreamName));
  ASSERT_EQ(WriteAll(s, "hello world", 11), QUILLET_S_OK);
  // The position stays at the end of the data, as plug-ins receive it.
  std::uint64_t position = 99;
  EXPECT_EQ(s->vtbl->Seek(s, 0, QUILLET_SEEK_CUR, &position), QUILLET_S_OK);
  EXPECT_EQ(position, 11u);
  EXPECT_EQ(SizeOf(s), 11u);

  char buffer[16] = {};
  std::uint32_t read = 0;
  EXPECT_EQ(s->vtbl->Read(s, buffer, 4, &read), QUILLET_S_FALSE);  // nothing past the end
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(s->vtbl->Seek(s, -5, QUILLET_SEEK_END, &position), QUILLET_S_OK);
  EXPECT_EQ(position, 6u);
  EXPECT_EQ(s->vtbl->Read(s, buffer, 16, &read), QUILLET_S_FALSE);
  EXPECT_EQ(std::string(buffer, read), "world");
  EXPECT_EQ(s->vtbl->Seek(s, 2, QUILLET_SEEK_SET, nullptr), QUILLET_S_OK);
  EXPECT_EQ(s->vtbl->Read(s, buffer, 3, &read), QUILLET_S_OK);
  EXPECT_EQ(std::string(buffer, read), "llo");

  // Positions before the start and unknown origins are refused and change nothing.
  EXPECT_LT(s->vtbl->Seek(s, -1, QUILLET_SEEK_SET, nullptr), 0);
  EXPECT_LT(s->vtbl->Seek(s, 0, 7, nullptr), 0);
  EXPECT_EQ(s->vtbl->Seek(s, 0, QUILLET_SEEK_CUR, &position), QUILLET_S_OK);
  EXPECT_EQ(position, 5u);
  EXPECT_EQ(s->vtbl->Release(s), 0u);
}

TEST(BlobStream, ANewStreamReplacesTheOldOne) {
  BlobStorage storage;
  QuilletStream* first = storage.CreateStream(kBlobStreamName);
  WriteAll(first, "first value", 11);
  QuilletStream* second = storage.CreateStream(kBlobStreamName);
  WriteAll(second, "2nd", 3);
  EXPECT_EQ(test::ReadStream(second), "2nd");
  // The replaced stream is gone: it fails instead of reading the new value.
  char buffer[8];
  std::uint32_t read = 5;
  EXPECT_LT(first->vtbl->Read(first, buffer, 8, &read), 0);
  EXPECT_EQ(read, 0u);
  EXPECT_LT(WriteAll(first, "x", 1), 0);
  first->vtbl->Release(first);
  EXPECT_EQ(test::ReadStream(second), "2nd");

  EXPECT_TRUE(storage.DestroyElement(kBlobStreamName));
  EXPECT_FALSE(storage.HasStream(kBlobStreamName));
  EXPECT_LT(second->vtbl->Read(second, buffer, 8, &read), 0);
  second->vtbl->Release(second);
  EXPECT_FALSE(storage.DestroyElement(kBlobStreamName));
}

TEST(BlobStream, OutlivesItsStorageSafely) {
  auto storage = std::make_unique<BlobStorage>();
  QuilletStream* s = storage->CreateStream(kBlobStreamName);
  WriteAll(s, "abc", 3);
  storage.reset();
  std::uint64_t size = 0;
  EXPECT_LT(StreamSize(s, &size), 0);
  EXPECT_EQ(s->vtbl->Release(s), 0u);
}

TEST(BlobStorage, LeavesNoFileAndReportsAFolderItCannotUse) {
  test::TempFolder folder;
  {
    BlobStorage storage(folder.Path());
    ASSERT_TRUE(storage.IsOpen());
    QuilletStream* s = storage.CreateStream(kBlobStreamName);
    WriteAll(s, "data", 4);
    // The file has no name from the start: nothing is left behind, whatever happens.
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    s->vtbl->Release(s);
  }
  BlobStorage broken(folder.Path() + "no/such/folder");
  EXPECT_FALSE(broken.IsOpen());
  EXPECT_NE(broken.CreationError(), 0);
  EXPECT_EQ(broken.CreateStream(kBlobStreamName), nullptr);
  EXPECT_FALSE(broken.HasStream(kBlobStreamName));
}

}  // namespace
}  // namespace quillet::plugins
