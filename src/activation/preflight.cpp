#include "activation/preflight.hpp"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "activation/desktop.hpp"
#include "activation/kitty.hpp"
#include "btop/btop.hpp"
#include "sys/files.hpp"
#include "sys/os_error.hpp"
#include "sys/text.hpp"
#include "vscode/vscode.hpp"

namespace activation {
namespace {

namespace fs = std::filesystem;

sys::Error at(const fs::path& path, std::string_view text) {
  return sys::Error{fmt::format("{}: {}", sys::lossy_utf8(path.native()), text)};
}

bool exists_following_links(const fs::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Why no file can be made in `dir` (or in the nearest ancestor that exists,
// when it is still to be made): that directory and the system's reason.
struct DirProblem {
  fs::path where;
  std::string why;
};
std::optional<DirProblem> writable_dir_problem(const fs::path& dir) {
  fs::path existing = dir;
  struct stat st;
  while (::stat(existing.c_str(), &st) != 0) {
    if (errno != ENOENT || !existing.has_relative_path()) return DirProblem{existing, sys::os_error_text(errno)};
    existing = existing.parent_path();
  }
  if (!S_ISDIR(st.st_mode)) return DirProblem{existing, sys::os_error_text(ENOTDIR)};
  if (::access(existing.c_str(), W_OK | X_OK) != 0) return DirProblem{existing, sys::os_error_text(errno)};
  return std::nullopt;
}

// A link on the way to `path` (its last component too, unless
// `including_last` is false) that leads nowhere: the writers never create
// through one, so it would stop the activation half way (a dotfile
// repository not cloned yet).
sys::Result<void> check_no_dangling_link(const fs::path& path, bool including_last = true) {
  fs::path walked;
  const fs::path upto = including_last ? path : path.parent_path();
  for (const auto& part : upto) {
    walked /= part;
    struct stat st;
    if (::lstat(walked.c_str(), &st) != 0) return sys::success();  // missing: made when needed
    if (!S_ISLNK(st.st_mode) || ::stat(walked.c_str(), &st) == 0 || errno != ENOENT) continue;
    std::error_code ec;
    const fs::path target = fs::read_symlink(walked, ec);
    return at(walked, fmt::format("a link to {}, which does not exist", sys::lossy_utf8(target.native())));
  }
  return sys::success();
}

// A user's file that we edit in place of theirs: one whose owner may not
// write it was made read-only to keep tools away, and a rename (which
// needs only the directory) must not get round that. A link is checked
// where it leads when `follow` says the file is written through it.
sys::Result<void> check_not_read_only(const fs::path& path, bool follow = true) {
  struct stat st;
  const int got = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (got == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
    return at(path, "read-only: make it writable to let tintwell edit it");
  return sys::success();
}

// A file we will rewrite through a link: the directory of the link's end
// is where the new file is made. One that would not change is not written.
sys::Result<void> check_file_dir(const fs::path& path, bool unchanged = false) {
  if (unchanged) return sys::success();
  if (auto linked = check_no_dangling_link(path); !linked) return linked;
  if (auto writable = check_not_read_only(path); !writable) return writable;
  auto target = sys::final_target(path);
  if (!target) return target.error();
  // A read-only store, say: the error names the file that cannot be written.
  if (const auto problem = writable_dir_problem(target.value().parent_path())) return at(target.value(), problem->why);
  return sys::success();
}

// A stylesheet that gets the managed block holding `css`: its text must
// hold a whole block or none. A link is replaced, not read.
sys::Result<void> check_stylesheet(const fs::path& path, std::string_view css) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
    auto text = sys::read_or_empty(path);
    if (!text) return text.error();
    auto edited = with_managed_css(text.value(), css);
    if (!edited) return at(path, edited.error_text());
    if (edited.value() == text.value() && ::lstat(path.c_str(), &st) == 0) return sys::success();  // not written
  }
  // A link there is replaced by a file of our own, never followed.
  if (auto linked = check_no_dangling_link(path, false); !linked) return linked;
  if (auto writable = check_not_read_only(path, false); !writable) return writable;
  return check_writable_dir(path.parent_path());
}

sys::Result<void> check_editor_settings(const fs::path& profile_dir, const fs::path& root) {
  auto profile = sys::read_or_empty(profile_dir / "vscode.json");
  if (!profile) return profile.error();
  auto theme = vscode::profile_colour_theme(profile.value());
  if (!theme) return at(profile_dir / "vscode.json", theme.error_text());
  if (!theme.value()) return sys::success();
  for (const auto editor : vscode::kEditorDirs) {
    const fs::path user = root / editor / "User";
    struct stat st;
    if (::stat(user.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;  // not installed
    const fs::path settings = user / "settings.json";
    auto text = sys::read_or_empty(settings);
    if (!text) return text.error();
    auto edited = vscode::set_colour_theme(text.value(), *theme.value());
    if (!edited) return at(settings, edited.error_text());
    const bool unchanged = edited.value() == text.value() && ::lstat(settings.c_str(), &st) == 0;
    if (auto writable = check_file_dir(settings, unchanged); !writable) return writable;
  }
  return sys::success();
}

}  // namespace

sys::Result<void> check_writable_dir(const fs::path& dir) {
  if (const auto problem = writable_dir_problem(dir)) return at(problem->where, problem->why);
  return sys::success();
}

sys::Result<void> check_before_writing(const ActivationFiles& files) {
  const fs::path& root = files.config_root;
  const fs::path active = files.themes_dir / ".active";

  // The profile's own files, read as the steps will read them.
  if (auto kitty = sys::read_text(files.profile_dir / "kitty.conf"); !kitty) return kitty.error();
  if (auto text = sys::read_or_empty(files.profile_dir / "hyprland.lua"); !text) return text.error();
  auto gtk = sys::read_or_empty(files.profile_dir / "gtk.css");
  if (!gtk) return gtk.error();
  auto waybar = sys::read_or_empty(files.profile_dir / "waybar.css");
  if (!waybar) return waybar.error();
  // The baselines still to be taken, through the old current link.
  for (const char* name : {"kitty.conf", "hyprland.lua", "gtk.css", "waybar.css"}) {
    if (exists_following_links(active / fmt::format("baseline-{}", name))) continue;
    if (auto text = sys::read_or_empty(files.themes_dir / "current" / name); !text) return text.error();
  }
  // The current link is replaced in one step, which a real directory or
  // file in its place would stop after everything else is written.
  const fs::path current = files.themes_dir / "current";
  struct stat st;
  if (::lstat(current.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
    return at(current, "in the way of the current link (a link is kept there; move it away)");
  if (auto writable = check_writable_dir(active); !writable) return writable;

  const fs::path kitty_conf = root / "kitty" / "kitty.conf";
  auto kitty_text = sys::read_or_empty(kitty_conf);
  if (!kitty_text) return kitty_text.error();
  // Written only while it lacks the include line.
  if (!has_kitty_include(kitty_text.value()))
    if (auto writable = check_file_dir(kitty_conf); !writable) return writable;
  for (const char* gtk_dir : {"gtk-3.0", "gtk-4.0"})
    if (auto checked = check_stylesheet(root / gtk_dir / "gtk.css", css_colour_text(gtk.value())); !checked)
      return checked;
  if (const fs::path style = root / "waybar" / "style.css"; exists_following_links(style))
    if (auto checked = check_stylesheet(style, css_colour_text(waybar.value())); !checked) return checked;
  if (auto checked = check_editor_settings(files.profile_dir, root); !checked) return checked;

  const fs::path btop_conf = root / "btop" / "btop.conf";
  auto btop_text = sys::read_or_empty(btop_conf);
  if (!btop_text) return btop_text.error();
  if (auto linked = check_no_dangling_link(root / "btop" / "themes"); !linked) return linked;
  if (auto writable = check_writable_dir(root / "btop" / "themes"); !writable) return writable;
  const bool btop_unchanged = btop::rewrite_btop_conf(btop_text.value()) == btop_text.value() &&
                              ::lstat(btop_conf.c_str(), &st) == 0;
  if (auto writable = check_file_dir(btop_conf, btop_unchanged); !writable) return writable;

  if (auto linked = check_no_dangling_link(files.yazi_dir / "flavors"); !linked) return linked;
  if (auto writable = check_writable_dir(files.yazi_dir / "flavors"); !writable) return writable;
  if (auto writable = check_file_dir(files.yazi_dir / "theme.toml", files.yazi_theme_unchanged); !writable)
    return writable;
  return sys::success();
}

}  // namespace activation
