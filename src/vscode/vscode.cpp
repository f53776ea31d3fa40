#include "vscode/vscode.hpp"

#include <sys/stat.h>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "sys/files.hpp"
#include "sys/text.hpp"

namespace vscode {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::string_view kThemeKey = "workbench.colorTheme";

/// A token of a settings text: a string with its quotes, or one byte.
struct Token {
  std::size_t begin;
  std::size_t end;
};

// Splits a settings text into strings and single bytes, skipping white
// space and comments, without judging whether it is valid JSON.
sys::Result<std::vector<Token>> tokenize(std::string_view text) {
  std::vector<Token> tokens;
  // The editors accept a byte order mark in front; it stays where it is.
  std::size_t i = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
    } else if (c == '"') {
      std::size_t j = i + 1;
      while (j < text.size() && text[j] != '"') j += text[j] == '\\' ? 2 : 1;
      if (j >= text.size()) return sys::Error{"unclosed settings string"};
      tokens.push_back({i, j + 1});
      i = j + 1;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      const auto end = text.find("*/", i + 2);
      if (end == std::string_view::npos) return sys::Error{"unclosed settings comment"};
      i = end + 2;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      i = std::min(text.find('\n', i + 2), text.size());
    } else {
      tokens.push_back({i, i + 1});
      ++i;
    }
  }
  return tokens;
}

std::optional<std::string> decode_string(std::string_view literal) {
  const json value = json::parse(literal, nullptr, false);
  if (!value.is_string()) return std::nullopt;
  return value.get<std::string>();
}

bool directory_at(const fs::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool regular_file_at(const fs::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

sys::Result<std::optional<std::string>> profile_colour_theme(std::string_view vscode_json) {
  if (vscode_json.empty()) return std::optional<std::string>{};
  json value;
  try {
    value = json::parse(vscode_json);
  } catch (const json::exception& e) {
    return sys::Error{sys::screen_text(e.what())};
  }
  if (!value.is_object()) return std::optional<std::string>{};
  const auto theme = value.find(kThemeKey);
  if (theme == value.end() || !theme->is_string()) return std::optional<std::string>{};
  return std::optional<std::string>{theme->get<std::string>()};
}

std::string active_vscode_json(const std::optional<std::string>& theme) {
  json members = json::object();
  if (theme) members[std::string(kThemeKey)] = *theme;
  return members.dump(2);
}

sys::Result<std::string> set_colour_theme(std::string_view settings, std::string_view theme) {
  auto tokenized = tokenize(settings);
  if (!tokenized) return tokenized.error();
  const auto& tokens = tokenized.value();
  const std::string literal = sys::json_string_literal(theme);
  if (tokens.empty()) return fmt::format("{}\n{{\n  \"{}\": {}\n}}\n", settings, kThemeKey, literal);
  const auto first_byte = [&](const Token& t) { return settings[t.begin]; };
  if (first_byte(tokens.front()) != '{' || first_byte(tokens.back()) != '}')
    return sys::Error{"editor settings must be an object"};

  // Values of the key among the members of the top-level object.
  std::vector<Token> values;
  int depth = 0;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const char c = first_byte(tokens[k]);
    if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      --depth;
    } else if (c == '"' && depth == 1 && k + 2 < tokens.size() && first_byte(tokens[k + 1]) == ':') {
      const auto& t = tokens[k];
      if (decode_string(settings.substr(t.begin, t.end - t.begin)) != kThemeKey) continue;
      if (first_byte(tokens[k + 2]) != '"') return sys::Error{"workbench.colorTheme must be a string"};
      values.push_back(tokens[k + 2]);
    }
  }

  std::string out(settings);
  if (values.empty()) {
    const std::string separator = tokens.size() > 2 ? "," : "";
    out.insert(tokens.front().end, fmt::format("\n  \"{}\": {}{}\n", kThemeKey, literal, separator));
  } else {
    // From the last to the first, so the earlier ranges stay where they are.
    for (auto it = values.rbegin(); it != values.rend(); ++it) out.replace(it->begin, it->end - it->begin, literal);
  }
  return out;
}

namespace {

// The settings of every installed editor, set to `theme`; an error names
// its file.
sys::Result<std::vector<sys::FileWrite>> settings_writes(const fs::path& config_root, std::string_view theme) {
  std::vector<sys::FileWrite> writes;
  for (const auto editor : kEditorDirs) {
    const fs::path user = config_root / editor / "User";
    if (!directory_at(user)) continue;  // not installed: nothing is created
    const fs::path path = user / "settings.json";
    auto text = sys::read_or_empty(path);
    if (!text) return text.error();
    auto edited = set_colour_theme(text.value(), theme);
    if (!edited) return sys::Error{fmt::format("{}: {}", sys::lossy_utf8(path.native()), edited.error_text())};
    // Through a temporary file and a rename, so that a crash never leaves
    // the editor's settings cut short; a dotfile manager's link stays a link.
    writes.push_back(sys::user_file(path, std::move(edited).value(), text.value(), regular_file_at(path)));
  }
  return writes;
}

}  // namespace

sys::Result<void> update_editor_settings(const fs::path& config_root, std::string_view theme) {
  auto writes = settings_writes(config_root, theme);
  if (!writes) return writes.error();
  return sys::apply_writes(writes.value());
}

sys::Result<std::vector<sys::FileWrite>> vscode_writes(std::string_view profile_vscode_json, const fs::path& active_dir,
                                                       const fs::path& config_root) {
  auto theme = profile_colour_theme(profile_vscode_json);
  if (!theme) return theme.error();
  std::vector<sys::FileWrite> writes;
  if (theme.value()) {
    auto settings = settings_writes(config_root, *theme.value());
    if (!settings) return settings.error();
    writes = std::move(settings).value();
  }
  writes.push_back({active_dir / "vscode.json", active_vscode_json(theme.value())});
  return writes;
}

sys::Result<void> apply_vscode_theme(const fs::path& profile_dir, const fs::path& active_dir, const fs::path& config_root) {
  auto text = sys::read_or_empty(profile_dir / "vscode.json");
  if (!text) return text.error();
  auto writes = vscode_writes(text.value(), active_dir, config_root);
  if (!writes) return writes.error();
  return sys::apply_writes(writes.value());
}

std::optional<std::string> editor_command(const std::optional<std::string>& path) {
  for (const char* name : {"code", "codium"})
    if (sys::is_on_path(path, name)) return std::string(name);
  return std::nullopt;
}

unsigned install_editor_extensions(sys::ProcessRunner& runner, const std::optional<std::string>& path,
                                   const std::vector<std::string_view>& extensions) {
  if (extensions.empty()) return 0;
  const auto command = editor_command(path);
  if (!command) return 0;
  unsigned started = 0;
  for (const auto extension : extensions) {
    // In a group of its own, so that signals for the terminal's foreground
    // group do not reach it; it runs on after the activation.
    const sys::Command install{.program = *command,
                               .args = {"--install-extension", std::string(extension), "--force"},
                               .new_process_group = true};
    started += runner.start_detached(install).ok() ? 1 : 0;
  }
  return started;
}

}  // namespace vscode
