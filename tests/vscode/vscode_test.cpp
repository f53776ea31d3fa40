#include "vscode/vscode.hpp"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;
using testing_support::read_text;
using testing_support::write_text;
using vscode::set_colour_theme;

TEST(EditorSettings, SetsOnlyTheTopLevelValue) {
  for (const auto& c : testing_support::read_cases("settings.txt")) {
    auto edited = set_colour_theme(c.at("before"), "Nord");
    ASSERT_TRUE(edited.ok()) << c.at("before") << ": " << edited.error_text();
    EXPECT_EQ(edited.value(), c.at("after")) << c.at("before");
  }
  EXPECT_EQ(set_colour_theme("{}", "Say \"hi\"\\\t").value(), "{\n  \"workbench.colorTheme\": \"Say \\\"hi\\\"\\\\\\t\"\n}");
  for (const auto& c : testing_support::read_cases("settings_errors.txt"))
    EXPECT_EQ(set_colour_theme(c.at("before"), "Nord").error_text(), c.at("error")) << c.at("before");
}


/// A configuration root whose editors the tests install.
class EditorSettingsFiles : public testing_support::SandboxTest {
 protected:
  fs::path settings(std::string_view editor) const { return config_dir() / editor / "User" / "settings.json"; }
};

TEST_F(EditorSettingsFiles, WrittenWholeThroughLinksKeepingPermissions) {
  write_text(dir_ / "dotfiles" / "settings.json", "{\"workbench.colorTheme\": \"Old\"}");
  chmod((dir_ / "dotfiles" / "settings.json").c_str(), 0600);
  fs::create_directories(settings("Code").parent_path());
  fs::create_symlink("../../../dotfiles/settings.json", settings("Code"));
  ASSERT_TRUE(vscode::update_editor_settings(config_dir(), "Nord").ok());
  EXPECT_TRUE(fs::is_symlink(settings("Code")));
  EXPECT_EQ(read_text(dir_ / "dotfiles" / "settings.json"), "{\"workbench.colorTheme\": \"Nord\"}");
  struct stat st;
  ASSERT_EQ(stat((dir_ / "dotfiles" / "settings.json").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_ / "dotfiles")) ++files;
  EXPECT_EQ(files, 1u);  // no temporary file left behind
}

TEST_F(EditorSettingsFiles, ProfileStepWritesTheActiveFile) {
  write_text(dir_ / "profile" / "vscode.json", "{\"workbench.colorTheme\": \"Nord\"}");
  fs::create_directories(settings("Code").parent_path());
  fs::create_directories(dir_ / "active");
  ASSERT_TRUE(vscode::apply_vscode_theme(dir_ / "profile", dir_ / "active", config_dir()).ok());
  EXPECT_EQ(read_text(dir_ / "active" / "vscode.json"), "{\n  \"workbench.colorTheme\": \"Nord\"\n}");
  EXPECT_NE(read_text(settings("Code")).find("Nord"), std::string::npos);
  fs::remove(dir_ / "profile" / "vscode.json");
  ASSERT_TRUE(vscode::apply_vscode_theme(dir_ / "profile", dir_ / "active", config_dir()).ok());
  EXPECT_EQ(read_text(dir_ / "active" / "vscode.json"), "{}");
}

TEST_F(EditorSettingsFiles, ExtensionInstallsPreferCodeAndAreNotWaitedFor) {
  write_text(dir_ / "a" / "codium", "");
  write_text(dir_ / "b" / "code", "");
  fs::create_directories(dir_ / "c" / "code");  // a directory does not count
  const std::string a = (dir_ / "a").string(), b = (dir_ / "b").string(), c = (dir_ / "c").string();
  EXPECT_EQ(vscode::editor_command(a + ":" + b), "code");
  EXPECT_EQ(vscode::editor_command(c + "::" + a), "codium");
  EXPECT_EQ(vscode::editor_command(c), std::nullopt);
  EXPECT_EQ(vscode::editor_command(std::nullopt), std::nullopt);

  runner_.on("code", Outcome{});
  EXPECT_EQ(vscode::install_editor_extensions(runner_, b, {"One.one", "Two.two"}), 2u);
  ASSERT_EQ(runner_.commands.size(), 2u);
  EXPECT_EQ(runner_.lines()[1], "code\t--install-extension\tTwo.two\t--force");
  EXPECT_TRUE(runner_.commands[0].new_process_group);
  EXPECT_EQ(vscode::install_editor_extensions(runner_, b, {}), 0u);
  EXPECT_EQ(vscode::install_editor_extensions(runner_, a, {"x.y"}), 0u);  // codium fails to start
}

}  // namespace
