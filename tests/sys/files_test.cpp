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

TEST(OsError, DescriptionAndNumber) {
  EXPECT_EQ(sys::os_error_text(ENOENT), "No such file or directory (os error 2)");
  EXPECT_EQ(sys::os_error_text(EACCES), "Permission denied (os error 13)");
}

TEST(AtomicTempPath, ReplacesTheExtensionWithPidAndTmp) {
  EXPECT_EQ(sys::atomic_temp_path("/x/kitty.conf", 4242), fs::path("/x/kitty.4242.tmp"));
  EXPECT_EQ(sys::atomic_temp_path("/x/style.css", 7), fs::path("/x/style.7.tmp"));
  EXPECT_EQ(sys::atomic_temp_path("/x/colors", 7), fs::path("/x/colors.7.tmp"));
  EXPECT_EQ(sys::atomic_temp_path("/x/.hidden", 7), fs::path("/x/.hidden.7.tmp"));
  EXPECT_EQ(sys::atomic_temp_path("/x/a.tar.gz", 7), fs::path("/x/a.tar.7.tmp"));
  EXPECT_EQ(sys::atomic_temp_path("theme-name", 7), fs::path("theme-name.7.tmp"));
}

TEST(WriteAtomic, WritesWholeContentAndLeavesNoTemporaryFile) {
  TempDir dir;
  write_text(dir / "kitty.conf", "old content that is longer");
  ASSERT_TRUE(sys::write_atomic(dir / "kitty.conf", "new").ok());
  EXPECT_EQ(read_text(dir / "kitty.conf"), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(WriteAtomic, AReplacedFileKeepsItsPermissionsANewOneGetsTheDefault) {
  TempDir dir;
  const mode_t old_mask = umask(022);
  write_text(dir / "private.conf", "remote_control_password secret");
  fs::permissions(dir / "private.conf", fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(sys::write_atomic(dir / "private.conf", "new").ok());
  ASSERT_TRUE(sys::write_atomic(dir / "fresh.conf", "new").ok());
  umask(old_mask);
  EXPECT_EQ(fs::status(dir / "private.conf").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(dir / "fresh.conf").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(WriteAtomic, ReplacesASymbolicLinkAndLeavesItsTarget) {
  TempDir dir;
  write_text(dir / "target.conf", "target");
  fs::create_symlink(dir / "target.conf", dir / "link.conf");
  ASSERT_TRUE(sys::write_atomic(dir / "link.conf", "mine").ok());
  EXPECT_FALSE(fs::is_symlink(dir / "link.conf"));
  EXPECT_EQ(read_text(dir / "link.conf"), "mine");
  EXPECT_EQ(read_text(dir / "target.conf"), "target");
}

TEST(WriteAtomic, FailureLeavesTheTargetAndReportsTheSystemError) {
  TempDir dir;
  // The target is a non-empty directory: the rename fails.
  fs::create_directories(dir / "busy.css" / "inside");
  auto renamed = sys::write_atomic(dir / "busy.css", "x");
  ASSERT_FALSE(renamed.ok());
  EXPECT_NE(renamed.error_text().find("(os error "), std::string::npos);
  EXPECT_TRUE(fs::is_directory(dir / "busy.css" / "inside"));
  EXPECT_FALSE(fs::exists(dir / ("busy." + std::to_string(getpid()) + ".tmp")));

  // A missing parent directory is not created.
  auto missing = sys::write_atomic(dir / "no" / "such.conf", "x");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error_text(), (dir / "no" / "such.conf").string() + ": No such file or directory (os error 2)");
}

TEST(WriteAtomic, ALinkPlantedAtTheTemporaryNameIsNotWrittenThrough) {
  TempDir dir;
  write_text(dir / "victim", "precious");
  fs::create_symlink(dir / "victim", sys::atomic_temp_path(dir / "kitty.conf", getpid()));
  ASSERT_TRUE(sys::write_atomic(dir / "kitty.conf", "theme").ok());
  EXPECT_EQ(read_text(dir / "victim"), "precious");
  EXPECT_FALSE(fs::is_symlink(dir / "kitty.conf"));
  EXPECT_EQ(read_text(dir / "kitty.conf"), "theme");

  fs::create_symlink(dir / "victim", dir / "x.part");
  ASSERT_TRUE(sys::create_new_file(dir / "x.part").ok());
  EXPECT_FALSE(fs::is_symlink(dir / "x.part"));
  EXPECT_EQ(read_text(dir / "victim"), "precious");
}

TEST(WriteAtomic, UnwritableDirectoryKeepsOldContent) {
  if (geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions";
  TempDir dir;
  write_text(dir / "ro" / "gtk.css", "old");
  fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(sys::write_atomic(dir / "ro" / "gtk.css", "new").ok());
  EXPECT_EQ(read_text(dir / "ro" / "gtk.css"), "old");
}

TEST(ReadOrEmpty, MissingIsEmptyOtherFailuresAreErrors) {
  TempDir dir;
  auto missing = sys::read_or_empty(dir / "missing");
  ASSERT_TRUE(missing.ok());
  EXPECT_EQ(missing.value(), "");

  write_text(dir / "text", "héllo\n");
  EXPECT_EQ(sys::read_or_empty(dir / "text").value(), "héllo\n");

  // Only regular files are read: nothing else may block or flood us.
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir / "zero");
  for (const auto& odd : {dir.path(), dir / "fifo", dir / "zero"})
    EXPECT_EQ(sys::read_or_empty(odd).error_text(), odd.string() + ": not a regular file");
  {
    std::ofstream big(dir / "big", std::ios::binary);
    big.seekp(static_cast<std::streamoff>(sys::kMaxReadSize));
    big << 'x';
  }
  EXPECT_EQ(sys::read_or_empty(dir / "big").error_text(), (dir / "big").string() + ": file too large");
  EXPECT_TRUE(sys::read_file("/proc/self/stat").value()->size() > 0);  // size 0 in stat, text inside

  write_text(dir / "binary", "a\xff");
  EXPECT_FALSE(sys::read_or_empty(dir / "binary").ok());

  // A file in place of a directory is not "missing".
  EXPECT_FALSE(sys::read_or_empty(dir / "text" / "below").ok());
}

TEST(CreateDirAll, CreatesAncestorsAndAcceptsExisting) {
  TempDir dir;
  const mode_t old_mask = umask(022);
  ASSERT_TRUE(sys::create_dir_all(dir / "a" / "b" / "c").ok());
  umask(old_mask);
  EXPECT_TRUE(fs::is_directory(dir / "a" / "b" / "c"));
  struct stat st;
  ASSERT_EQ(stat((dir / "a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  EXPECT_TRUE(sys::create_dir_all(dir / "a" / "b").ok());

  write_text(dir / "file", "x");
  EXPECT_FALSE(sys::create_dir_all(dir / "file" / "sub").ok());
}

TEST(ReadText, MissingIsAnError) {
  TempDir dir;
  EXPECT_EQ(sys::read_text(dir / "missing").error_text(), (dir / "missing").string() + ": No such file or directory (os error 2)");
  write_text(dir / "text", "ok");
  EXPECT_EQ(sys::read_text(dir / "text").value(), "ok");
}

TEST(WriteNewFile, NeverReplacesNorFollowsLinks) {
  TempDir dir;
  EXPECT_TRUE(sys::write_new_file(dir / "new", "1").value());
  EXPECT_FALSE(sys::write_new_file(dir / "new", "2").value());
  EXPECT_EQ(read_text(dir / "new"), "1");
  fs::create_symlink(dir / "elsewhere", dir / "dangling");
  EXPECT_FALSE(sys::write_new_file(dir / "dangling", "3").value());
  EXPECT_FALSE(fs::exists(dir / "elsewhere"));
  EXPECT_FALSE(sys::write_new_file(dir / "no" / "dir", "4").ok());
}

TEST(WriteFile, CreatesOrTruncatesInPlace) {
  TempDir dir;
  ASSERT_TRUE(sys::write_file(dir / "wallpaper", "long old text").ok());
  ASSERT_TRUE(sys::write_file(dir / "wallpaper", "new").ok());
  EXPECT_EQ(read_text(dir / "wallpaper"), "new");
}

}  // namespace

namespace {

TEST(LockFile, WaitsForTheHolderUpToTheLimit) {
  TempDir dir;
  const fs::path path = dir / "x.lock";
  int pauses = 0;
  const auto count = [&](std::chrono::milliseconds) { ++pauses; };
  {
    auto held = sys::lock_file(path, std::chrono::seconds(1), count);
    ASSERT_TRUE(held.ok()) << held.error_text();
    EXPECT_EQ(pauses, 0);
    // Another open of the file stands for another process.
    auto waiting = sys::lock_file(path, std::chrono::milliseconds(100), count);
    EXPECT_EQ(waiting.error_text(), path.string() + ": timed out waiting for the lock");
    EXPECT_EQ(pauses, 5);
  }
  EXPECT_TRUE(sys::lock_file(path, std::chrono::milliseconds(0), count).ok()) << "released with its holder";
}

}  // namespace
