#include "themes/builtin_themes.hpp"

#include <algorithm>

namespace themes {
namespace {

std::vector<std::pair<std::string_view, std::string_view>> catppuccin_settings(std::string_view slug) {
  return {{"workbench.iconTheme", slug}, {"catppuccin.accentColor", "blue"}, {"catppuccin.workbenchMode", "flat"}};
}

const std::vector<BuiltinTheme>& table() {
  static const std::vector<BuiltinTheme> themes = {
      {"catppuccin-mocha", "#1e1e2e", "#181825", "#313244", "#cdd6f4", "#a6adc8", "#89b4fa", "#f5e0dc", "#585b70",
       {"#45475a", "#f38ba8", "#a6e3a1", "#f9e2af", "#89b4fa", "#f5c2e7", "#94e2d5", "#bac2de",
        "#585b70", "#f38ba8", "#a6e3a1", "#f9e2af", "#89b4fa", "#f5c2e7", "#94e2d5", "#a6adc8"},
       "Catppuccin Mocha", catppuccin_settings("catppuccin-mocha"),
       {"Catppuccin.catppuccin-vsc", "Catppuccin.catppuccin-vsc-icons"}},
      {"catppuccin-latte", "#eff1f5", "#e6e9ef", "#ccd0da", "#4c4f69", "#6c6f85", "#1e66f5", "#dc8a78", "#acb0be",
       {"#5c5f77", "#d20f39", "#40a02b", "#df8e1d", "#1e66f5", "#ea76cb", "#179299", "#acb0be",
        "#6c6f85", "#d20f39", "#40a02b", "#df8e1d", "#1e66f5", "#ea76cb", "#179299", "#bcc0cc"},
       "Catppuccin Latte", catppuccin_settings("catppuccin-latte"),
       {"Catppuccin.catppuccin-vsc", "Catppuccin.catppuccin-vsc-icons"}},
      {"tokyo-night", "#1a1b26", "#16161e", "#292e42", "#c0caf5", "#a9b1d6", "#7aa2f7", "#c0caf5", "#33467c",
       {"#15161e", "#f7768e", "#9ece6a", "#e0af68", "#7aa2f7", "#bb9af7", "#7dcfff", "#a9b1d6",
        "#414868", "#f7768e", "#9ece6a", "#e0af68", "#7aa2f7", "#bb9af7", "#7dcfff", "#c0caf5"},
       "Tokyo Night", {}, {"enkia.tokyo-night"}},
      {"nord", "#2e3440", "#272c36", "#3b4252", "#d8dee9", "#7b88a1", "#88c0d0", "#d8dee9", "#434c5e",
       {"#3b4252", "#bf616a", "#a3be8c", "#ebcb8b", "#81a1c1", "#b48ead", "#88c0d0", "#e5e9f0",
        "#4c566a", "#bf616a", "#a3be8c", "#ebcb8b", "#81a1c1", "#b48ead", "#8fbcbb", "#eceff4"},
       "Nord", {}, {"arcticicestudio.nord-visual-studio-code"}},
      {"gruvbox-dark", "#282828", "#1d2021", "#3c3836", "#ebdbb2", "#a89984", "#83a598", "#ebdbb2", "#504945",
       {"#282828", "#cc241d", "#98971a", "#d79921", "#458588", "#b16286", "#689d6a", "#a89984",
        "#928374", "#fb4934", "#b8bb26", "#fabd2f", "#83a598", "#d3869b", "#8ec07c", "#ebdbb2"},
       "Gruvbox Dark Medium", {}, {"jdinhlife.gruvbox"}},
      {"dracula", "#282a36", "#21222c", "#44475a", "#f8f8f2", "#6272a4", "#bd93f9", "#f8f8f2", "#44475a",
       {"#21222c", "#ff5555", "#50fa7b", "#f1fa8c", "#bd93f9", "#ff79c6", "#8be9fd", "#f8f8f2",
        "#6272a4", "#ff6e6e", "#69ff94", "#ffffa5", "#d6acff", "#ff92df", "#a4ffff", "#ffffff"},
       "Dracula Theme", {}, {"dracula-theme.theme-dracula"}},
      {"rose-pine", "#191724", "#1f1d2e", "#26233a", "#e0def4", "#908caa", "#c4a7e7", "#e0def4", "#403d52",
       {"#26233a", "#eb6f92", "#31748f", "#f6c177", "#9ccfd8", "#c4a7e7", "#ebbcba", "#e0def4",
        "#6e6a86", "#eb6f92", "#31748f", "#f6c177", "#9ccfd8", "#c4a7e7", "#ebbcba", "#e0def4"},
       "Rosé Pine", {}, {"mvllow.rose-pine"}},
      {"everforest-dark", "#2d353b", "#272e33", "#343f44", "#d3c6aa", "#9da9a0", "#a7c080", "#d3c6aa", "#475258",
       {"#475258", "#e67e80", "#a7c080", "#dbbc7f", "#7fbbb3", "#d699b6", "#83c092", "#d3c6aa",
        "#4f585e", "#e67e80", "#a7c080", "#dbbc7f", "#7fbbb3", "#d699b6", "#83c092", "#d3c6aa"},
       "Everforest Dark", {}, {"sainnhe.everforest"}},
      {"solarized-dark", "#002b36", "#001f27", "#073642", "#839496", "#586e75", "#268bd2", "#93a1a1", "#073642",
       {"#073642", "#dc322f", "#859900", "#b58900", "#268bd2", "#d33682", "#2aa198", "#eee8d5",
        "#002b36", "#cb4b16", "#586e75", "#657b83", "#839496", "#6c71c4", "#93a1a1", "#fdf6e3"},
       "Solarized Dark", {}, {}},
  };
  return themes;
}

}  // namespace

ThemeDefinition BuiltinTheme::definition() const {
  ThemeDefinition def;
  def.name = slug;
  def.background = background;
  def.base = base;
  def.surface = surface;
  def.foreground = foreground;
  def.muted = muted;
  def.accent = accent;
  def.cursor = cursor;
  def.selection = selection;
  for (std::size_t i = 0; i < 16; ++i) def.colours[i] = colours[i];
  def.vscode_theme = vscode_theme;
  for (const auto& [key, value] : vscode_settings) def.vscode_settings.emplace_back(key, value);
  return def;
}

std::span<const BuiltinTheme> builtin_themes() { return table(); }

const BuiltinTheme* find_builtin_theme(std::string_view slug) {
  const auto& themes = table();
  const auto it = std::find_if(themes.begin(), themes.end(), [&](const auto& t) { return t.slug == slug; });
  return it == themes.end() ? nullptr : &*it;
}

}  // namespace themes
