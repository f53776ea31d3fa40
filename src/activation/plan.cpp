#include "activation/plan.hpp"

#include <fmt/format.h>
#include <sys/stat.h>

#include "activation/desktop.hpp"
#include "activation/kitty.hpp"
#include "activation/profile.hpp"
#include "btop/btop.hpp"
#include "sys/files.hpp"
#include "sys/text.hpp"
#include "themes/colour.hpp"
#include "themes/palette.hpp"
#include "themes/theme_definition.hpp"
#include "vscode/vscode.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBaselines[] = {"kitty.conf", "hyprland.lua", "gtk.css", "waybar.css"};

bool exists_following_links(const fs::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

sys::Error at(const fs::path& path, std::string_view text) {
  return sys::Error{fmt::format("{}: {}", sys::lossy_utf8(path.native()), text)};
}

const std::string& text_of(const ProfileTexts& profile, std::string_view name) {
  static const std::string kNone;
  const auto it = profile.find(name);
  return it == profile.end() ? kNone : it->second;
}

// A stylesheet that gets the managed block holding `css`. A link there is
// replaced by a file of our own that imports its target, never read.
sys::Result<sys::FileWrite> stylesheet(const fs::path& path, std::string_view css) {
  auto present = managed_css_start(path);
  if (!present) return present.error();
  auto edited = with_managed_css(present.value().text, css);
  if (!edited) return at(path, edited.error_text());
  return sys::user_file(path, std::move(edited).value(), present.value().text, present.value().is_file,
                        sys::WriteHow::UserSheet);
}

}  // namespace

sys::Result<ProfileTexts> read_profile(const fs::path& dir, const std::string& name) {
  ProfileTexts profile;
  auto kitty = sys::read_text(dir / "kitty.conf");
  if (!kitty) return kitty.error();
  for (const auto file : kProfileFiles) {
    if (file == "kitty.conf") continue;
    auto text = sys::read_file(dir / file);
    if (!text) return text.error();
    if (!text.value()) continue;
    if (!sys::is_valid_utf8(*text.value())) return at(dir / file, "stream did not contain valid UTF-8");
    profile.emplace(file, std::move(*text.value()));
  }
  // What the profile lacks comes from its palette, as for an index theme.
  const auto palette = themes::parse_kitty_palette(kitty.value());
  const bool dark = palette.background && themes::is_dark_background(*palette.background);
  if (const auto def = themes::definition_from_palette(name, palette, dark))
    for (auto& [file, content] : profile_files(*def))
      if (file != "kitty.conf") profile.emplace(file, std::move(content));
  profile.emplace("kitty.conf", std::move(kitty).value());
  return profile;
}

sys::Result<ActivationPlan> plan_activation(const themes::Locations& where, const std::string& name,
                                            const ProfileTexts& profile, std::string_view btop_text,
                                            const yazi::PreparedYazi& yazi) {
  if (!where.config_root) return sys::Error{"missing configuration directory"};
  const fs::path& root = *where.config_root;
  const fs::path& active = where.active_dir;
  ActivationPlan plan;

  // The baselines: taken once, through the current link as it was.
  std::map<std::string_view, std::string> baseline;
  for (const auto file : kBaselines) {
    const fs::path copy = active / fmt::format("baseline-{}", file);
    const bool kept = exists_following_links(copy);
    auto text = sys::read_or_empty(kept ? copy : where.themes_dir / "current" / file);
    if (!text) return text.error();
    if (!kept) plan.active.push_back({copy, text.value(), sys::WriteHow::Once});
    baseline[file] = std::move(text).value();
  }

  plan.colour_text = kitty_colour_text(text_of(profile, "kitty.conf"));
  plan.active.push_back({active / "colors.conf", plan.colour_text});
  plan.active.push_back({active / "kitty.conf", active_kitty_conf(baseline["kitty.conf"], plan.colour_text)});
  const auto palette = themes::parse_kitty_palette(plan.colour_text);
  const std::string& lua = text_of(profile, "hyprland.lua");
  plan.active.push_back(
      {active / "hyprland.lua",
       active_hyprland_lua(active / "baseline-hyprland.lua",
                           border_colour(lua, "active_border", fallback_border(palette.colours, 4)),
                           border_colour(lua, "inactive_border", fallback_border(palette.colours, 0)))});
  const std::string gtk = css_colour_text(text_of(profile, "gtk.css"));
  const std::string waybar = css_colour_text(text_of(profile, "waybar.css"));
  plan.active.push_back({active / "gtk.css", fmt::format("{}\n{}", baseline["gtk.css"], gtk)});
  plan.active.push_back({active / "waybar.css", fmt::format("{}\n{}", baseline["waybar.css"], waybar)});
  plan.active.push_back({active / "btop.theme", std::string(btop_text)});

  for (const char* gtk_dir : {"gtk-3.0", "gtk-4.0"}) {
    auto sheet = stylesheet(root / gtk_dir / "gtk.css", gtk);
    if (!sheet) return sheet.error();
    plan.desktop.push_back(std::move(sheet).value());
  }
  // Waybar's stylesheet is only edited where the user has one.
  if (const fs::path style = root / "waybar" / "style.css"; exists_following_links(style)) {
    auto sheet = stylesheet(style, waybar);
    if (!sheet) return sheet.error();
    plan.desktop.push_back(std::move(sheet).value());
  }
  const std::string& vscode_json = text_of(profile, "vscode.json");
  if (auto theme = vscode::profile_colour_theme(vscode_json); !theme)
    return at(where.themes_dir / name / "vscode.json", theme.error_text());
  auto editors = vscode::vscode_writes(vscode_json, active, root);
  if (!editors) return editors.error();
  for (auto& write : editors.value())
    (write.path.parent_path() == active ? plan.active : plan.desktop).push_back(write);
  plan.active.push_back({active / "theme-name", name});
  // The include line, written once in the user's kitty.conf.
  const fs::path kitty_conf = root / "kitty" / "kitty.conf";
  auto user_kitty = sys::read_or_empty(kitty_conf);
  if (!user_kitty) return user_kitty.error();
  if (!has_kitty_include(user_kitty.value()))
    plan.desktop.push_back({kitty_conf, with_kitty_include(user_kitty.value()), sys::WriteHow::UserFile});

  auto btop = btop::btop_writes(root, btop_text);
  if (!btop) return btop.error();
  plan.btop = std::move(btop).value();
  plan.yazi = yazi::yazi_writes(yazi, active);
  return plan;
}

sys::Result<void> check_plan(const ActivationPlan& plan, const themes::Locations& where) {
  // The current link is replaced in one step, which a real directory or
  // file in its place would stop after everything else is written.
  const fs::path current = where.themes_dir / "current";
  struct stat st;
  if (::lstat(current.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
    return at(current, "in the way of the current link (a link is kept there; move it away)");
  for (const auto* writes : {&plan.active, &plan.desktop, &plan.btop, &plan.yazi})
    if (auto checked = sys::check_writes(*writes); !checked) return checked;
  return sys::success();
}

}  // namespace activation
