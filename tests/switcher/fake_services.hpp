#pragma once

#include <string>
#include <vector>

#include "switcher/services.hpp"
#include "switcher/switcher_state.hpp"

namespace testing_support {

/// Services that hand out fixed lists and record what was asked.
class FakeServices : public switcher::SwitcherServices {
 public:
  std::vector<themes::ThemeEntry> themes;
  std::optional<std::string> active;
  std::vector<wallpaper::Wallpaper> wallpapers;
  std::optional<std::filesystem::path> saved;
  sys::Result<std::string> activation = sys::Error{"activation failed"};
  sys::Result<std::string> wallpaper_outcome = sys::Error{"no backend"};
  /// What a successful activation turns the theme list and active name into.
  std::vector<themes::ThemeEntry> themes_after;
  std::optional<std::string> active_after;
  std::optional<std::filesystem::path> saved_after;

  std::vector<std::string> activated;
  std::vector<std::filesystem::path> applied;

  std::vector<themes::ThemeEntry> list_themes() override { return themes; }
  std::optional<std::string> active_theme_name() override { return active; }
  std::vector<wallpaper::Wallpaper> list_wallpapers() override { return wallpapers; }
  std::optional<std::filesystem::path> load_saved_wallpaper() override { return saved; }
  sys::Result<std::string> activate_theme(const std::string& name) override {
    activated.push_back(name);
    if (activation.ok()) {
      themes = themes_after;
      active = active_after;
    }
    return activation;
  }
  sys::Result<std::string> apply_wallpaper(const wallpaper::Wallpaper& w) override {
    applied.push_back(w.path);
    if (wallpaper_outcome.ok()) saved = saved_after;
    return wallpaper_outcome;
  }
  /// `t`: records "PATH VARIANT" and succeeds with `activation`'s text,
  /// making `active_after` the active theme.
  std::vector<std::string> applied_with_theme;
  sys::Result<std::string> apply_wallpaper_with_theme(const wallpaper::Wallpaper& w, wallpaper::Variant variant,
                                                      const wallpaper::PictureColours*) override {
    applied_with_theme.push_back(w.path + " " + std::string(wallpaper::variant_name(variant)));
    if (activation.ok()) {
      themes = themes_after;
      active = active_after;
    }
    return activation;
  }
  /// What the picture workers get: by default the real decoding.
  std::optional<switcher::PictureColoursFn> picture_work;
  switcher::PictureColoursFn picture_colours() override {
    return picture_work ? *picture_work : SwitcherServices::picture_colours();
  }
  /// "show PATH" and "clear", in order.
  std::vector<std::string> images;
  void show_image(const std::filesystem::path& path, switcher::ImagePlacement) override {
    images.push_back("show " + path.string());
  }
  void clear_image() override { images.push_back("clear"); }
  /// What the colour workers get: by default, nothing can be fetched.
  switcher::ColourFetch fetch = [](const std::string&) { return std::optional<themes::Palette>{}; };
  switcher::ColourFetch colour_fetch() override { return fetch; }
  /// The index refresh: whether one is due, and what it reports.
  bool stale = false;
  std::function<bool()> refresh = [] { return false; };
  bool index_is_stale() override { return stale; }
  std::string colours_of_active;
  std::string active_colours() override { return colours_of_active; }
  bool takes_theme = false;
  bool terminal_takes_the_theme() override { return takes_theme; }
  bool cached = true;
  bool index_cached() override { return cached; }
  std::function<bool()> index_refresh() override { return refresh; }
};

inline std::vector<std::string> visible_names(const switcher::SwitcherState& state) {
  std::vector<std::string> names;
  for (std::size_t k = 0; k < state.visible.size(); ++k) names.push_back(state.visible_entry(k).name);
  return names;
}

inline std::vector<themes::ThemeEntry> named_themes(std::initializer_list<const char*> names) {
  std::vector<themes::ThemeEntry> list;
  for (const char* name : names) list.push_back(themes::ThemeEntry{.name = name});
  return list;
}

}  // namespace testing_support
