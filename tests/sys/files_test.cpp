#include "sys/files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "sys/os_error.hpp"
#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_text;
using testing_support::TempDir;
using testing_support::write_text;
constexpr auto kPrivate = fs::perms::owner_read | fs::perms::owner_write;

TEST(WriteAtomic, WholeContentModesKeptLinksReplacedNothingLeftBehind) {
  TempDir dir;
  const mode_t old_mask = umask(022);
  write_text(dir / "private.conf", "remote_control_password secret, and longer");
  fs::permissions(dir / "private.conf", kPrivate);
  ASSERT_TRUE(sys::write_atomic(dir / "private.conf", "new").ok());
  ASSERT_TRUE(sys::write_atomic(dir / "fresh.conf", "new").ok());
  umask(old_mask);
  EXPECT_EQ(read_text(dir / "private.conf"), "new");
  EXPECT_EQ(fs::status(dir / "private.conf").permissions(), kPrivate);
  EXPECT_EQ(fs::status(dir / "fresh.conf").permissions(), kPrivate | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2) << "no temporary file";
  // A link is replaced by a file; its target is left.
  write_text(dir / "target.conf", "target");
  fs::create_symlink(dir / "target.conf", dir / "link.conf");
  ASSERT_TRUE(sys::write_atomic(dir / "link.conf", "mine").ok());
  EXPECT_FALSE(fs::is_symlink(dir / "link.conf"));
  EXPECT_EQ(read_text(dir / "target.conf"), "target");
  // ... unless it is to be kept: then the end of the chain gets the text.
  fs::create_symlink(dir / "link2.conf", dir / "link3.conf");
  fs::create_symlink(dir / "target.conf", dir / "link2.conf");
  fs::permissions(dir / "target.conf", kPrivate);
  ASSERT_TRUE(sys::write_atomic_keeping_links(dir / "link3.conf", "through").ok());
  EXPECT_TRUE(fs::is_symlink(dir / "link3.conf"));
  EXPECT_EQ(read_text(dir / "target.conf"), "through");
  EXPECT_EQ(fs::status(dir / "target.conf").permissions(), kPrivate);
  // Forty links are followed, as the kernel would; one more is a loop.
  std::string next = "target.conf";
  for (int i = 1; i <= 41; ++i) {
    fs::create_symlink(next, dir / ("hop" + std::to_string(i)));
    next = "hop" + std::to_string(i);
  }
  EXPECT_TRUE(sys::write_atomic_keeping_links(dir / "hop40", "far").ok());
  EXPECT_EQ(read_text(dir / "target.conf"), "far");
  EXPECT_EQ(sys::write_atomic_keeping_links(dir / "hop41", "x").error_text(),
            (dir / "hop41").string() + ": Too many levels of symbolic links (os error 40)");
  for (int i = 1; i <= 41; ++i) fs::remove(dir / ("hop" + std::to_string(i)));
  // A link planted at the temporary name is never written through.
  write_text(dir / "victim", "precious");
  fs::create_symlink(dir / "victim", sys::atomic_temp_path(dir / "kitty.conf", getpid()));
  fs::create_symlink(dir / "victim", dir / "x.part");
  ASSERT_TRUE(sys::write_atomic(dir / "kitty.conf", "theme").ok());
  ASSERT_TRUE(sys::create_new_file(dir / "x.part").ok());
  EXPECT_FALSE(fs::is_symlink(dir / "x.part"));
  EXPECT_EQ(read_text(dir / "victim"), "precious");
}

TEST(Reading, MissingIsEmptyOnlyWhereAskedAndOnlyRegularFilesAreRead) {
  TempDir dir;
  EXPECT_EQ(sys::read_or_empty(dir / "missing").value(), "");
  EXPECT_EQ(sys::read_text(dir / "missing").error_text(), (dir / "missing").string() + ": No such file or directory (os error 2)");
  write_text(dir / "text", "héllo\n");
  EXPECT_EQ(sys::read_or_empty(dir / "text").value(), "héllo\n");
  EXPECT_EQ(sys::read_file_start(dir / "text", 3).value(), "h\xc3\xa9");
  // Nothing else may block or flood us.
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir / "zero");
  for (const auto& odd : {dir.path(), dir / "fifo", dir / "zero"}) {
    EXPECT_EQ(sys::read_or_empty(odd).error_text(), odd.string() + ": not a regular file");
    EXPECT_FALSE(sys::read_file_start(odd, 24).ok());
  }
  {
    std::ofstream big(dir / "big", std::ios::binary);
    big.seekp(static_cast<std::streamoff>(sys::kMaxReadSize));
    big << 'x';
  }
  EXPECT_EQ(sys::read_or_empty(dir / "big").error_text(), (dir / "big").string() + ": file too large");
  EXPECT_TRUE(sys::read_file("/proc/self/stat").value()->size() > 0) << "size 0 in stat, text inside";
  if (const auto symbols = sys::read_file("/proc/kallsyms"); symbols && symbols.value()) {
    EXPECT_GT(symbols.value()->size(), 65536u) << "read to its end, past the first buffer";
  }
  write_text(dir / "binary", "a\xff");
  EXPECT_EQ(sys::read_or_empty(dir / "binary").error_text(), (dir / "binary").string() + ": stream did not contain valid UTF-8");
  EXPECT_FALSE(sys::read_or_empty(dir / "text" / "below").ok()) << "a file where a directory goes is not missing";
}

TEST(Writing, DirectoriesAndNewFiles) {
  TempDir dir;
  const mode_t old_mask = umask(022);
  ASSERT_TRUE(sys::create_dir_all(dir / "a" / "b" / "c").ok());
  umask(old_mask);
  EXPECT_EQ(fs::status(dir / "a").permissions(), fs::perms(0755));
  EXPECT_TRUE(sys::create_dir_all(dir / "a" / "b").ok());
  write_text(dir / "file", "x");
  EXPECT_FALSE(sys::create_dir_all(dir / "file" / "sub").ok());
  EXPECT_TRUE(sys::write_new_file(dir / "new", "1").value());
  EXPECT_FALSE(sys::write_new_file(dir / "new", "2").value());
  EXPECT_EQ(read_text(dir / "new"), "1");
  fs::create_symlink(dir / "elsewhere", dir / "dangling");
  EXPECT_FALSE(sys::write_new_file(dir / "dangling", "3").value()) << "never written through";
  EXPECT_FALSE(fs::exists(dir / "elsewhere"));
  EXPECT_FALSE(sys::write_new_file(dir / "no" / "dir", "4").ok());
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_FALSE(entry.path().extension() == ".tmp") << "no temporary file left";
}

}  // namespace
