// The unnamed output file: invisible until published, then the file at its
// name with every byte, linked where it can be and copied where it cannot.
#include "base/unnamed_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/output.h"
#include "common/harness.h"

namespace {

std::string someRows(int rows) {
  std::string text;
  for (int k = 0; k < rows; ++k)
    text += "1\t" + std::to_string(k) + "\t0.5\trs" + std::to_string(k) + "\n";
  return text;
}

TEST(UnnamedOutput, BytesTakeTheNameOnlyWhenPublished) {
  ScratchDir dir;
  const std::string name = dir.file("summary.txt");
  dir.write("summary.txt", "an earlier run's file\n");
  const std::string rows = someRows(20000);
  {
    UnnamedOutput whole(dir.path() + "/");
    ASSERT_NE(whole.stream(), nullptr);
    std::fwrite(rows.data(), 1, rows.size() / 2, whole.stream());
    whole.flush(name);
    std::fwrite(rows.data() + rows.size() / 2, 1, rows.size() - rows.size() / 2, whole.stream());
    // Before it is published the earlier file stands as it was, alone.
    EXPECT_EQ(dir.read("summary.txt"), "an earlier run's file\n");
    EXPECT_EQ(dir.list(), std::vector<std::string>{"summary.txt"});

    FILE* placeholder = openOutput(name);
    ASSERT_NE(placeholder, nullptr);
    whole.publish(name, placeholder);
    EXPECT_EQ(closeOutput(placeholder, name), 0);
    EXPECT_EQ(whole.stream(), nullptr);
  }
  EXPECT_EQ(dir.read("summary.txt"), rows);
  EXPECT_EQ(dir.list(), std::vector<std::string>{"summary.txt"});
  struct stat info {};
  ASSERT_EQ(::stat(name.c_str(), &info), 0);
  EXPECT_EQ(info.st_nlink, 1u);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

  // A run that stops before the merge leaves nothing behind.
  {
    UnnamedOutput dropped(dir.path() + "/");
    std::fputs(rows.c_str(), dropped.stream());
    dropped.flush(name);
  }
  EXPECT_EQ(dir.list(), std::vector<std::string>{"summary.txt"});
}

TEST(UnnamedOutput, AnotherFileSystemGetsTheBytesCopied) {
  // A link cannot cross file systems: the bytes are copied into a new
  // placeholder at the name, as the merge of the pieces did.
  struct stat shm {};
  ScratchDir dir;
  struct stat scratch {};
  ASSERT_EQ(::stat(dir.path().c_str(), &scratch), 0);
  if (::stat("/dev/shm", &shm) != 0 || shm.st_dev == scratch.st_dev ||
      ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second writable file system at /dev/shm";
  }
  const std::string name = "/dev/shm/velmora-unnamed-output-" + std::to_string(::getpid()) + ".txt";
  const std::string rows = someRows(70000);  // more than one block of the copy
  {
    UnnamedOutput whole(dir.path() + "/");
    ASSERT_NE(whole.stream(), nullptr);
    std::fputs(rows.c_str(), whole.stream());
    FILE* placeholder = openOutput(name);
    ASSERT_NE(placeholder, nullptr);
    whole.publish(name, placeholder);
    EXPECT_EQ(closeOutput(placeholder, name), 0);
  }
  FILE* in = std::fopen(name.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  std::string got(rows.size() + 10, '\0');
  got.resize(std::fread(got.data(), 1, got.size(), in));
  std::fclose(in);
  std::remove(name.c_str());
  EXPECT_EQ(got, rows);
  EXPECT_TRUE(dir.list().empty());
}

}  // namespace
