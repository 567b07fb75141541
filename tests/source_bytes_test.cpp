// Holding a source's bytes, mapped and read: the file's bytes, zeros past its end, and a file that
// does not hold them all is told.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/platform.h"
#include "support.h"

namespace {

Bytes held(const SourceBytes &bytes) { return Bytes(bytes.data, bytes.data + bytes.size); }

// Frees a block of size bytes of 0xFF, which the allocator hands out again for the next block of
// that size: bytes read into it that no read filled are dirty unless made zero.
void dirty_next_block(std::size_t size) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[size]);
  std::memset(block.get(), 0xFF, size);
  volatile unsigned char keep = block[size - 1];
  (void)keep;
}

TEST(SourceBytes, MappedAndReadBytesAreTheFilesAndTellWhenTheyAreNotWhole) {
  ScratchDirectory dir;
  Bytes file(100);
  for (std::size_t i = 0; i < file.size(); ++i)
    file[i] = static_cast<std::uint8_t>(i * 7 + 1);
  write_file(dir.file("source.bmp"), file);
  SourceFile source;
  ASSERT_TRUE(open_source(dir.file("source.bmp").c_str(), SourceSharing::none, &source));
  // One source is mapped at a time, so the bytes held while the first are are read.
  SourceBytes mapped, read, past_end;
  ASSERT_EQ(hold_source_bytes(source, file.size(), mapped), SourceHold::held);
  ASSERT_EQ(hold_source_bytes(source, file.size(), read), SourceHold::held);
  dirty_next_block(file.size() + 50);
  ASSERT_EQ(hold_source_bytes(source, file.size() + 50, past_end), SourceHold::held);
  close_source(source);
  ASSERT_GE(mapped.mapped_file, 0) << "the first bytes are mapped";
  ASSERT_LT(read.mapped_file, 0) << "the others are read";

  EXPECT_EQ(held(mapped), file);
  EXPECT_EQ(held(read), file);
  EXPECT_TRUE(source_bytes_whole(mapped));
  EXPECT_TRUE(source_bytes_whole(read));
  Bytes padded = file;
  padded.resize(file.size() + 50, 0);
  EXPECT_EQ(held(past_end), padded);
  EXPECT_FALSE(source_bytes_whole(past_end));

  // Its last byte lost within the last page, where a mapping reads a zero and faults nowhere.
  std::filesystem::resize_file(dir.file("source.bmp"), file.size() - 1);
  EXPECT_FALSE(source_bytes_whole(mapped));
}

} // namespace
