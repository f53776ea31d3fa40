#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sys/result.hpp"
#include "themes/theme_entry.hpp"
#include "wallpaper/wallpaper.hpp"

namespace switcher {

/// What the Switcher asks of the rest of the program. The real one calls
/// the theme store, activation and wallpaper modules; tests use fakes.
class SwitcherServices {
 public:
  virtual ~SwitcherServices() = default;
  virtual std::vector<themes::ThemeEntry> list_themes() = 0;
  virtual std::optional<std::string> active_theme_name() = 0;
  virtual std::vector<wallpaper::Wallpaper> list_wallpapers() = 0;
  virtual std::optional<std::filesystem::path> load_saved_wallpaper() = 0;
  /// Success carries the outcome line, failure the message line.
  virtual sys::Result<std::string> activate_theme(const std::string& name) = 0;
  /// Success and failure each carry the text to show.
  virtual sys::Result<std::string> apply_wallpaper(const wallpaper::Wallpaper& wallpaper) = 0;
};

/// The services backed by the real modules.
class SystemServices final : public SwitcherServices {
 public:
  std::vector<themes::ThemeEntry> list_themes() override;
  std::optional<std::string> active_theme_name() override;
  std::vector<wallpaper::Wallpaper> list_wallpapers() override;
  std::optional<std::filesystem::path> load_saved_wallpaper() override;
  sys::Result<std::string> activate_theme(const std::string& name) override;
  sys::Result<std::string> apply_wallpaper(const wallpaper::Wallpaper& wallpaper) override;
};

}  // namespace switcher
