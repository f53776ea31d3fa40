#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "switcher/colour_loading.hpp"
#include "switcher/picture_colours.hpp"
#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/paths.hpp"
#include "themes/theme_entry.hpp"
#include "wallpaper/wallpaper.hpp"

namespace switcher {

/// Where a wallpaper picture sits, in cells.
struct ImagePlacement {
  std::uint16_t column = 0;
  std::uint16_t row = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  bool operator==(const ImagePlacement&) const = default;
};

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
  /// The wallpaper and the theme its picture gives (`known`: its colours,
  /// when worked out already). Success and failure each carry the text.
  virtual sys::Result<std::string> apply_wallpaper_with_theme(const wallpaper::Wallpaper& wallpaper,
                                                              wallpaper::Variant variant,
                                                              const wallpaper::PictureColours* known) = 0;
  /// What a worker calls to work out a picture's colours.
  virtual PictureColoursFn picture_colours() {
    return [](const std::string& path) { return wallpaper::picture_colours(path); };
  }
  /// Places the picture at `placement` (kitty's image kitten).
  virtual void show_image(const std::filesystem::path& path, ImagePlacement placement) = 0;
  /// Removes any placed picture.
  virtual void clear_image() = 0;
  /// Called from the event loop: looks after a picture still being
  /// converted, which never holds a key up.
  virtual void poll_image() {}
  /// What a colour worker calls to get an index file's palette.
  virtual ColourFetch colour_fetch() = 0;
  /// Whether the cached kitty themes index is missing or out of date.
  virtual bool index_is_stale() = 0;
  /// What the refresh worker calls to download the index; true on success.
  virtual std::function<bool()> index_refresh() = 0;
  /// Whether the environment says the terminal is kitty itself.
  virtual bool runs_in_kitty() { return false; }
  /// Whether the Switcher's terminal takes the colours an activation
  /// writes (it is not a tmux pane, and terminals are not skipped).
  virtual bool terminal_takes_the_theme() { return false; }
  /// Whether a copy of the kitty themes index is in the cache.
  virtual bool index_cached() { return true; }
  /// The escape sequences of the active theme's colours (its colors.conf),
  /// as every terminal gets them; empty without one.
  virtual std::string active_colours() { return {}; }
};

/// The services backed by the real modules.
class SystemServices final : public SwitcherServices {
 public:
  SystemServices(const themes::Environment& env, const themes::Locations& where, sys::ProcessRunner& runner)
      : env_(env), where_(where), runner_(runner) {}

  std::vector<themes::ThemeEntry> list_themes() override;
  std::optional<std::string> active_theme_name() override;
  std::vector<wallpaper::Wallpaper> list_wallpapers() override;
  std::optional<std::filesystem::path> load_saved_wallpaper() override;
  sys::Result<std::string> activate_theme(const std::string& name) override;
  sys::Result<std::string> apply_wallpaper(const wallpaper::Wallpaper& wallpaper) override;
  sys::Result<std::string> apply_wallpaper_with_theme(const wallpaper::Wallpaper& wallpaper, wallpaper::Variant variant,
                                                      const wallpaper::PictureColours* known) override;
  void show_image(const std::filesystem::path& path, ImagePlacement placement) override;
  void clear_image() override;
  void poll_image() override;
  ColourFetch colour_fetch() override;
  bool index_is_stale() override;
  std::function<bool()> index_refresh() override;
  bool runs_in_kitty() override;
  bool terminal_takes_the_theme() override;
  bool index_cached() override;
  std::string active_colours() override;

 private:
  void stop_kitten();

  const themes::Environment& env_;
  const themes::Locations& where_;
  sys::ProcessRunner& runner_;
  /// The image kitten converting a picture that is not a PNG, while it runs.
  std::optional<sys::Child> kitten_;
  std::chrono::steady_clock::time_point kitten_started_;
};

/// Whether the image kitten can talk to the terminal: inside kitty and not
/// through tmux. Elsewhere it waits ten seconds for an answer that never
/// comes and prints over the screen, so it is not run at all.
bool images_supported(const themes::Environment& env);

}  // namespace switcher
