#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/process.hpp"
#include "sys/result.hpp"
#include "themes/colour.hpp"
#include "themes/paths.hpp"

namespace activation {

inline constexpr std::string_view kCssBegin = "/* tintwell colors begin */";
inline constexpr std::string_view kCssEnd = "/* tintwell colors end */";

/// The stylesheet with its comments removed (those spanning lines too),
/// line ends kept; a line that held no comment keeps every byte.
std::string without_css_comments(std::string_view stylesheet);

/// The colour lines of a stylesheet, each ended by a line feed ("\n" when
/// there are none). Comments are removed first, so that a rule the user
/// switched off stays off; a line holding one of the block's markers (in
/// a string) is left out, so that the block always ends where it should.
std::string css_colour_text(std::string_view stylesheet);

/// Where `marker` stands alone on a line (white space around it allowed)
/// at or after `from`: the position of the marker itself, or npos.
std::size_t find_marker_line(std::string_view text, std::string_view marker, std::size_t from);

/// The stylesheet with its managed block holding `css`: the first block
/// replaced, or a new one appended. Everything outside the block keeps its
/// bytes. Markers count only alone on their lines. Fails on a begin marker
/// without an end marker after it.
sys::Result<std::string> with_managed_css(std::string_view stylesheet, std::string_view css);

/// What the managed block goes into at `path`: the stylesheet's text, or,
/// for a symbolic link (never read), an import of the link's target.
struct StylesheetStart {
  std::string text;
  bool is_file = false;  ///< a file is there (not a link, not missing)
};
sys::Result<StylesheetStart> managed_css_start(const std::filesystem::path& path);

/// Puts the managed block into the stylesheet at `path`. A symbolic link
/// there becomes a file of our own that imports the link's target.
sys::Result<void> install_managed_css(const std::filesystem::path& path, std::string_view css);

/// The border colour `key` sets in a profile's hyprland.lua when it is a
/// plain "rgba(" + 8 hex digits + ")", else `fallback`.
std::string border_colour(std::string_view hyprland_lua, std::string_view key, std::string_view fallback);

/// "rgba(rrggbbaa)" from palette colour `index` with alpha aa, or grey.
std::string fallback_border(const std::vector<themes::Colour>& colours, std::size_t index);

/// A Lua string literal of `text`, every byte as a decimal escape.
std::string lua_quote(std::string_view text);

/// The active hyprland.lua: loads the baseline, then sets both borders.
std::string active_hyprland_lua(const std::filesystem::path& baseline, std::string_view active,
                                std::string_view inactive);


/// The command that tells a running Hyprland to reload (only when
/// HYPRLAND_INSTANCE_SIGNATURE is set); its outcome is ignored.
std::optional<sys::Command> hyprland_reload_command(const themes::Environment& env);

}  // namespace activation
