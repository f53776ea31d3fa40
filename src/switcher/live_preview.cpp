#include "switcher/live_preview.hpp"

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

std::optional<std::string> preview_sequences(const themes::ThemeEntry& entry) {
  if (entry.colours.size() != 16 || !entry.background || !entry.foreground) return std::nullopt;
  themes::TerminalColours colours{.palette = {},
                                  .foreground = entry.foreground,
                                  .background = entry.background,
                                  .cursor = entry.cursor ? entry.cursor : entry.foreground,
                                  .selection_background = entry.selection_background,
                                  .selection_foreground = entry.selection_foreground};
  for (std::size_t i = 0; i < 16; ++i) colours.palette[i] = entry.colours[i];
  return themes::terminal_colour_sequences(colours);
}

std::string window_colours_saved() { return std::string(kPush); }

std::string window_colours_at_end(bool activated) {
  // The pop also takes our entry off the stack; after an activation the
  // configured colours are the applied theme's, and a pop alone would
  // bring the old theme back.
  return activated ? std::string(kPop) + std::string(kReset) : std::string(kPop);
}

std::string step_live_preview(SwitcherState& state, std::chrono::steady_clock::time_point now) {
  LivePreview& preview = state.preview;
  if (!preview.possible) return "";
  std::optional<std::string> wanted;
  if (preview.enabled && state.section == Section::Themes && state.selected < state.visible.size())
    wanted = state.visible_entry(state.selected).name;
  if (wanted != preview.wanted) {
    preview.wanted = wanted;
    preview.wanted_since = now;
  }
  if (!wanted) {
    if (!preview.shown) return "";
    preview.shown.reset();
    refresh_screen_colours(state);
    // Back to what the window showed before, kept on the stack again.
    return window_colours_at_end(preview.activated) + std::string(kPush);
  }
  if (wanted == preview.shown || now - preview.wanted_since < kPreviewDwell) return "";
  themes::ThemeEntry& entry = state.visible_entry(state.selected);
  themes::read_palette(entry);
  auto sequences = preview_sequences(entry);
  if (!sequences) return "";  // an index theme's colours may still come
  preview.shown = wanted;
  state.colours = readable_colours(entry.palette());
  return *sequences;
}

}  // namespace switcher
