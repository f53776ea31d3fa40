#include "switcher/live_preview.hpp"

#include <fmt/format.h>

#include "switcher/picture_colours.hpp"
#include "themes/palette.hpp"
#include "themes/profile_store.hpp"

namespace switcher {
namespace {

// kitty's colour stack: push the window's colours, pop them back.
constexpr std::string_view kPush = "\x1b]30001\x1b\\";
constexpr std::string_view kPop = "\x1b]30101\x1b\\";
// Back to the configured colours: the palette, then foreground,
// background, cursor, mouse and selection colours and the rest.
constexpr std::string_view kReset =
    "\x1b]104\x1b\\\x1b]110\x1b\\\x1b]111\x1b\\\x1b]112\x1b\\\x1b]113\x1b\\\x1b]114\x1b\\\x1b]115\x1b\\"
    "\x1b]116\x1b\\\x1b]117\x1b\\\x1b]118\x1b\\\x1b]119\x1b\\";

}  // namespace

std::optional<std::string> preview_sequences(const themes::Palette& palette) {
  if (palette.colours.size() != 16 || !palette.background || !palette.foreground) return std::nullopt;
  auto colours = themes::terminal_colours_of(palette);
  if (!colours.cursor) colours.cursor = palette.foreground;
  return themes::terminal_colour_sequences(colours);
}

namespace {

// What the highlight rests on, as far as the window can show it: a theme
// (once the user has moved), or the theme a wallpaper's picture gives. A
// picture's key cannot be a theme's name, which holds no control character.
struct PreviewTarget {
  std::string key;
  std::optional<themes::Palette> palette;
  bool rested = false;  ///< a picture's colours are worked out only once it rested there
};

std::optional<PreviewTarget> preview_target(SwitcherState& state) {
  if (!state.preview.enabled) return std::nullopt;
  if (state.section == Section::Themes) {
    if (!state.preview.armed || state.selected >= state.visible.size()) return std::nullopt;
    themes::ThemeEntry& entry = state.visible_entry(state.selected);
    return PreviewTarget{entry.name, std::nullopt};
  }
  if (state.selected >= state.wallpapers.size()) return std::nullopt;
  const themes::Palette* palette = shown_picture_palette(state);
  if (!palette) return std::nullopt;
  return PreviewTarget{fmt::format("\x1f{}\x1f{}", state.wallpapers[state.selected].path,
                                   wallpaper::variant_name(shown_variant(state))),
                       *palette, true};
}

}  // namespace

TerminalFacts terminal_facts(const sys::TerminalReplies& replies, bool environment_says_kitty) {
  TerminalFacts facts;
  facts.answered_as_kitty = replies.version && replies.version->starts_with("kitty(");
  facts.kitty = facts.answered_as_kitty || environment_says_kitty;
  const auto colour = [&](const std::string& key) -> std::optional<themes::Colour> {
    const auto it = replies.colours.find(key);
    if (it == replies.colours.end()) return std::nullopt;
    const auto rgb = sys::parse_x_colour(it->second);
    if (!rgb) return std::nullopt;
    return themes::Colour{(*rgb)[0], (*rgb)[1], (*rgb)[2]};
  };
  for (int i = 0; i < 16; ++i) {
    const auto c = colour(fmt::format("4;{}", i));
    if (!c) break;  // colours count only from 0 on, without a gap
    facts.colours.colours.push_back(*c);
  }
  facts.colours.foreground = colour("10");
  facts.colours.background = colour("11");
  return facts;
}

std::string window_colours_saved() { return std::string(kPush); }

std::string window_colours_at_end(const LivePreview& preview) {
  if (!preview.possible) return "";
  std::string out(kPop);
  if (preview.theme_changed) {
    out += preview.active_colours;
  } else if (preview.sent) {
    if (!preview.answered_as_kitty) out += kReset;
    out += preview.start_colours;
  }
  return out;
}

std::string step_live_preview(SwitcherState& state, std::chrono::steady_clock::time_point now) {
  LivePreview& preview = state.preview;
  if (!preview.possible) return "";
  auto target = preview_target(state);
  std::optional<std::string> wanted;
  if (target) wanted = target->key;
  if (wanted != preview.wanted) {
    preview.wanted = wanted;
    preview.wanted_since = now;
  }
  if (!wanted) {
    if (!preview.shown) return "";
    preview.shown.reset();
    refresh_screen_colours(state);
    // Back to what the window showed before, kept on the stack again.
    return window_colours_at_end(preview) + std::string(kPush);
  }
  if (wanted == preview.shown || (!target->rested && now - preview.wanted_since < kPreviewDwell)) return "";
  if (!target->palette) {
    themes::ThemeEntry& entry = state.visible_entry(state.selected);
    themes::read_palette(entry);
    target->palette = entry.palette();
  }
  auto sequences = preview_sequences(*target->palette);
  if (!sequences) return "";  // an index theme's colours may still come
  preview.shown = wanted;
  preview.sent = true;
  state.colours = readable_colours(*target->palette);
  return *sequences;
}

}  // namespace switcher
