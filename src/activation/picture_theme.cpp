#include "activation/picture_theme.hpp"

#include <fmt/format.h>

#include "activation/activate.hpp"
#include "activation/profile.hpp"
#include "sys/files.hpp"
#include "wallpaper/backends.hpp"

namespace activation {

sys::Result<void> save_picture_theme(const themes::Locations& where, const std::string& name,
                                     const themes::Palette& palette, wallpaper::Variant variant) {
  const auto def = themes::definition_from_palette(name, palette, variant == wallpaper::Variant::Dark);
  if (!def) return sys::Error{"the picture gave no full palette"};
  const auto directory = where.themes_dir / name;
  const auto failed = [&](const sys::Error& error) {
    return sys::Error{fmt::format("could not write theme to {}: {}", directory.string(), error.text)};
  };
  if (auto made = sys::create_dir_all(directory); !made) return failed(made.error());
  for (const auto& [file, content] : profile_files(*def)) {
    const auto path = directory / file;
    if (auto present = sys::read_file(path); present && present.value() && *present.value() == content) continue;
    if (auto written = sys::write_atomic(path, content); !written) return failed(written.error());
  }
  return sys::success();
}

sys::Result<std::string> apply_wallpaper_with_theme(const themes::Environment& env, const themes::Locations& where,
                                                    sys::ProcessRunner& runner, const wallpaper::Wallpaper& chosen,
                                                    wallpaper::Variant variant,
                                                    const wallpaper::PictureColours* known) {
  themes::Palette palette;
  if (known) {
    palette = known->of(variant);
  } else {
    auto colours = wallpaper::wallpaper_palette(chosen.path, variant);
    if (!colours) return colours.error();
    palette = std::move(colours).value();
  }
  const std::string name = wallpaper::wallpaper_theme_name(chosen.name, variant);
  if (auto saved = save_picture_theme(where, name, palette, variant); !saved) return saved.error();
  auto activated = activate_theme(env, where, runner, name);
  if (!activated) return activated.error();
  auto shown = wallpaper::apply_wallpaper(env, runner, chosen);
  if (!shown)
    return sys::Error{fmt::format("{}; but the wallpaper was not set: {}", activated.value(), shown.error_text())};
  return fmt::format("{}; {}", activated.value(), shown.value());
}

}  // namespace activation
