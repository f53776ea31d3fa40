#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "fake_runner.hpp"
#include "themes/paths.hpp"
#include "themes/theme_definition.hpp"

namespace testing_support {

/// Applies terminal output (cursor moves, clears, SGR, UTF-8 text) to a
/// grid of cells and gives the rows back as text, so drawing tests can
/// compare what the user would see.
class VirtualScreen {
 public:
  VirtualScreen(std::size_t columns, std::size_t rows);
  void feed(std::string_view output);
  /// Row `row` with trailing spaces removed.
  std::string row(std::size_t row) const;
  /// The attributes the cell was written with, e.g. "fg:14 bg:237 bold"
  /// (palette indices as numbers, 24-bit colours as #rrggbb).
  std::string style_at(std::size_t column, std::size_t row) const;
  /// Every row, each followed by its runs of styled cells ("  2-9 fg:15 bold").
  std::string dump() const;

 private:
  struct Style {
    std::string fg;
    std::string bg;
    bool bold = false;
    bool italic = false;
    std::string text() const;
  };
  struct Cell {
    std::string glyph = " ";
    Style style;
  };
  void apply_sgr(const std::string& params);
  std::size_t columns_;
  std::size_t rows_;
  std::vector<Cell> cells_;
  std::size_t x_ = 0;
  std::size_t y_ = 0;
  Style style_;
};

/// A fresh directory under the system's temporary directory, removed
/// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

/// The first bytes of a PNG file: what a wallpaper must start with to be taken.
inline constexpr std::string_view kPngStart{"\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16};

/// A user id no process of the machine runs as.
inline constexpr themes::Uid kTestUid{4242};

/// An empty /proc, /dev/pts and /run/user inside `dir`: nothing running.
sys::SystemRoots empty_system(const std::filesystem::path& dir);

/// A process of `owner` under the fake `roots`: its command name, the ptys
/// whose master it holds (opened through `ptmx`, by default the fake
/// system's own instance) and one socket, inode 77<pid>.
void fake_process(const sys::SystemRoots& roots, int pid, const std::string& name, std::vector<unsigned> ptys,
                  uid_t owner, std::filesystem::path ptmx = {});

/// A test with its own home, configuration and cache directories inside a
/// fresh directory, a user id of its own, an empty process table and a fake
/// process runner: nothing it runs reaches the machine.
class SandboxTest : public ::testing::Test {
 protected:
  SandboxTest();
  /// Where everything lives for `env_`, on the empty system.
  themes::Locations where() const { return themes::locations(env_, system_); }
  std::filesystem::path config_dir() const { return dir_ / "config"; }
  std::filesystem::path cache_dir() const { return dir_ / "cache"; }
  std::filesystem::path themes_dir() const { return config_dir() / "morvane" / "themes"; }
  std::filesystem::path index_dir() const { return cache_dir() / "morvane" / "kitty-themes"; }

  TempDir dir_;
  sys::SystemRoots system_;
  themes::Environment env_;
  FakeRunner runner_;
};

void write_text(const std::filesystem::path& path, std::string_view text);
std::string read_text(const std::filesystem::path& path);

/// A kitty.conf setting the background, foreground and sixteen colours of `def`.
std::string kitty_conf_of(const themes::ThemeDefinition& def);
/// A complete kitty.conf: catppuccin-mocha's palette.
std::string complete_kitty_conf();

/// One case of a table kept in tests/fixtures/cases: its fields by name.
using Case = std::map<std::string, std::string>;
/// The cases of tests/fixtures/cases/<name>: each starts with "- field:
/// value", more "  field: value" lines follow; values take \n \r \t \e
/// \\ and \xHH escapes; lines starting with # are comments.
std::vector<Case> read_cases(const std::string& name);

/// Compares `actual` with the golden file tests/fixtures/<name>; with
/// TINTWELL_UPDATE_GOLDENS set, writes it instead.
void expect_golden(const std::string& name, const std::string& actual);

/// The shared real-world data directory, or nothing (the test should skip).
std::optional<std::filesystem::path> data_dir(std::string_view sub);

}  // namespace testing_support
