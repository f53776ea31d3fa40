#include "switcher/services.hpp"

#include <sys/stat.h>

#include <fmt/format.h>

#include "activation/activate.hpp"
#include "activation/kitty.hpp"
#include "activation/picture_theme.hpp"
#include "switcher/kitty_graphics.hpp"
#include "sys/files.hpp"
#include "sys/terminal.hpp"
#include "themes/kitty_index.hpp"
#include "themes/palette.hpp"
#include "themes/profile_store.hpp"
#include "wallpaper/backends.hpp"
#include "wallpaper/catalogue.hpp"

namespace switcher {

bool images_supported(const themes::Environment& env) {
  return env.kitty_window_id && !env.kitty_window_id->empty() && !env.tmux;
}

std::vector<themes::ThemeEntry> SystemServices::list_themes() {
  // The network never holds up the screen: a stale index is refreshed in
  // the background instead.
  return themes::list_themes(where_.themes_dir, {where_.cache_dir, runner_}, themes::ListMode::Lazy);
}

std::optional<std::string> SystemServices::active_theme_name() {
  return themes::active_theme_name(where_.themes_dir);
}

std::vector<wallpaper::Wallpaper> SystemServices::list_wallpapers() { return wallpaper::list_wallpapers(env_); }

std::optional<std::filesystem::path> SystemServices::load_saved_wallpaper() {
  return wallpaper::load_saved_wallpaper(env_);
}

sys::Result<std::string> SystemServices::activate_theme(const std::string& name) {
  return activation::activate_theme(env_, where_, runner_, name);
}

sys::Result<std::string> SystemServices::apply_wallpaper_with_theme(const wallpaper::Wallpaper& wallpaper,
                                                                  wallpaper::Variant variant,
                                                                  const wallpaper::PictureColours* known) {
  return activation::apply_wallpaper_with_theme(env_, where_, runner_, wallpaper, variant, known);
}

sys::Result<std::string> SystemServices::apply_wallpaper(const wallpaper::Wallpaper& wallpaper) {
  return wallpaper::apply_wallpaper(env_, runner_, wallpaper);
}

namespace {

// Longer than the kitten's half second; one that takes this long is given up.
constexpr std::chrono::seconds kKittenLimit{3};

}  // namespace

void SystemServices::stop_kitten() {
  if (!kitten_) return;
  // Killed and reaped at once: it must not place its picture after ours
  // was cleared.
  (void)kitten_->wait_for(std::chrono::milliseconds(0));
  kitten_.reset();
  // Cut off mid-sequence, it would leave kitty reading our next frame as
  // part of it: CAN and ST end whatever it had begun.
  (void)sys::write_to_terminal("\x18\x1b\\");
}

void SystemServices::poll_image() {
  if (!kitten_) return;
  if (auto done = kitten_->try_wait(); !done || done.value()) {
    kitten_.reset();
  } else if (std::chrono::steady_clock::now() - kitten_started_ > kKittenLimit) {
    stop_kitten();
  }
}

void SystemServices::show_image(const std::filesystem::path& path, ImagePlacement placement) {
  if (placement.width == 0 || placement.height == 0 || !images_supported(env_)) return;
  // A PNG kitty reads itself, at once; other formats need the kitten,
  // which converts them (about half a second).
  const auto size = sys::terminal_size();
  if (size && size.value().width_px > 0 && size.value().height_px > 0 && size.value().columns > 0 &&
      size.value().rows > 0) {
    auto header = sys::read_file_start(path, 24);
    if (const auto png = header ? png_size(header.value()) : std::nullopt) {
      const std::string placed = kitty_png_placement(path.native(), placement, *png,
                                                     size.value().width_px / size.value().columns,
                                                     size.value().height_px / size.value().rows);
      (void)sys::write_to_terminal(placed);
      return;
    }
  }
  // The kitten writes its picture to the terminal itself, in about half a
  // second: it runs beside the event loop, which never waits for it.
  stop_kitten();
  auto kitten = sys::spawn(sys::Command{
      .program = "kitty",
      .args = {"+kitten", "icat", "--clear", "--transfer-mode=file", "--stdin=no",
               fmt::format("--place={}x{}@{}x{}", placement.width, placement.height, placement.column, placement.row),
               path.string()},
      .out = sys::Stdio::Inherit});  // in our process group: the terminal's foreground one
  if (!kitten) return;  // no picture; nothing to say about it
  kitten_.emplace(std::move(kitten).value());
  kitten_started_ = std::chrono::steady_clock::now();
}

ColourFetch SystemServices::colour_fetch() {
  // A copy of all the worker needs: it may outlive this object.
  return [cache_dir = where_.cache_dir](const std::string& index_file) {
    sys::SystemProcessRunner runner;
    return themes::fetch_theme_palette({cache_dir, runner}, index_file);
  };
}

bool SystemServices::index_is_stale() { return themes::index_is_stale(where_.cache_dir); }

std::function<bool()> SystemServices::index_refresh() {
  return [cache_dir = where_.cache_dir] {
    sys::SystemProcessRunner runner;
    return themes::refresh_index({cache_dir, runner}).ok();
  };
}

bool SystemServices::runs_in_kitty() { return activation::runs_in_kitty(env_); }

bool SystemServices::terminal_takes_the_theme() {
  return activation::runs_in_kitty(env_) || (!env_.tmux && !themes::skips(env_, "terminals"));
}

bool SystemServices::index_cached() {
  struct stat st;
  return ::stat((where_.cache_dir / "themes.json").c_str(), &st) == 0;
}

std::string SystemServices::active_colours() {
  auto text = sys::read_file(where_.active_dir / "colors.conf");
  if (!text || !text.value()) return {};
  return themes::terminal_colour_sequences(themes::read_terminal_colours(*text.value()));
}

void SystemServices::clear_image() {
  // kitty removes every placed picture on this command, whoever placed it:
  // no need to start the kitten for that.
  stop_kitten();
  if (images_supported(env_)) (void)sys::write_to_terminal(kDeleteAllImages);
}

}  // namespace switcher
