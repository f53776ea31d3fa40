#include "switcher/draw.hpp"

#include <fmt/format.h>

#include "switcher/picture_colours.hpp"
#include "switcher/preview.hpp"

namespace switcher {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRule = "─";
constexpr std::string_view kActiveMarker = "● active";
constexpr std::string_view kNoMarker = "        ";
constexpr std::string_view kHighlightMark = "▌ ";
constexpr std::string_view kFilterCursor = "▌";
constexpr std::string_view kNoWallpapers =
    "  no images in ~/Pictures/Wallpapers or ~/.config/morvane/wallpapers";
constexpr std::string_view kHintsFilter = " type to filter · ⏎ keep · esc clear";
// The keys of a picture's theme come last: a narrow window keeps the rest.
constexpr std::string_view kHintsWallpapers =
    " tab/←→ section · ↑↓ move · ⏎ apply · esc quit · t with its theme · v dark/light";
constexpr std::string_view kHintsThemes = " tab/←→ section · ↑↓ move · ⏎ apply · / filter · esc quit";
constexpr std::size_t kMarkerWidth = 8;

std::string colour_text(const std::optional<themes::Colour>& colour) {
  return colour ? themes::format_hex_colour(*colour) : "–";
}

void draw_tab(ScreenBuffer& out, const ScreenColours& ink, std::string_view label, bool current) {
  if (current) {
    out.raw(ink.bright);
    out.raw(ink.bar);
  } else {
    out.raw(ink.inactive_tab);
    out.raw(sgr::kDefaultBackground);
  }
  if (current || ink.inactive_tab_bold) out.raw(sgr::kBold);
  out.raw(label);
  out.raw(sgr::kNormalIntensity);
  out.raw(sgr::kDefaultBackground);
}

void draw_header(ScreenBuffer& out, const SwitcherState& state, std::size_t columns) {
  out.move_to(0, 0);
  draw_tab(out, state.colours, " themes ", state.section == Section::Themes);
  draw_tab(out, state.colours, " wallpapers ", state.section == Section::Wallpapers);
  if (state.section == Section::Themes && (state.filter_mode || !state.filter.empty())) {
    out.raw(state.colours.accent);
    const std::string line =
        fmt::format("  / {}{}", state.filter, state.filter_mode ? kFilterCursor : std::string_view{});
    out.text(line, columns - 24);
  }
}

void draw_rule(ScreenBuffer& out, const ScreenColours& ink, std::size_t row, std::size_t columns) {
  out.move_to(0, row);
  out.raw(ink.dim);
  out.repeat(kRule, columns);
}

void draw_item(ScreenBuffer& out, const ScreenColours& ink, std::string_view label, bool active, bool highlighted,
               std::size_t columns) {
  const std::string_view marker = active ? kActiveMarker : kNoMarker;
  const std::size_t label_width = columns - 3 - kMarkerWidth;
  if (highlighted) {
    out.raw(ink.bar);
    out.raw(ink.accent_on_bar);
    out.raw(kHighlightMark);
    out.raw(ink.bright);
    out.raw(sgr::kBold);
    out.text(label, label_width, true);
    out.raw(sgr::kNormalIntensity);
    out.raw(ink.good_on_bar);
    out.raw(marker);
    out.raw(" ");
    out.raw(sgr::kDefaultBackground);
  } else {
    out.raw("  ");
    out.raw(ink.label);
    out.text(label, label_width, true);
    out.raw(ink.good);
    out.raw(marker);
    out.raw(" ");
  }
}

void draw_empty_list(ScreenBuffer& out, const SwitcherState& state, std::size_t columns) {
  out.raw(state.colours.dim);
  out.raw(sgr::kItalic);
  if (state.section == Section::Wallpapers) {
    out.text(kNoWallpapers, columns);
  } else if (!state.filter.empty()) {
    out.text(fmt::format("  no themes match \"{}\"", state.filter), columns);
  } else {
    out.text(fmt::format("  no themes in {}", state.themes_dir.string()), columns);
  }
  out.raw(sgr::kItalicOff);
}

void draw_list(ScreenBuffer& out, const SwitcherState& state, std::size_t rows, std::size_t columns) {
  // The highlight stays on the last list row while scrolling down; the
  // offset depends on `selected` alone.
  const std::size_t last_row = rows == 0 ? 0 : rows - 1;
  const std::size_t offset = state.selected > last_row ? state.selected - last_row : 0;
  const std::size_t count = current_list_size(state);
  for (std::size_t i = 0; i < rows; ++i) {
    out.move_to(0, i + 2);
    const std::size_t k = offset + i;
    if (k < count) {
      const bool highlighted = k == state.selected;
      if (state.section == Section::Themes) {
        const auto& entry = state.visible_entry(k);
        draw_item(out, state.colours, entry.name, state.active_theme && entry.name == *state.active_theme,
                  highlighted, columns);
      } else {
        const auto& wallpaper = state.wallpapers[k];
        draw_item(out, state.colours, wallpaper.name,
                  state.saved_wallpaper && fs::path(wallpaper.path) == *state.saved_wallpaper, highlighted, columns);
      }
    } else if (i == 0 && count == 0) {
      draw_empty_list(out, state, columns);
    }
  }
}

void draw_theme_pane(ScreenBuffer& out, const themes::ThemeEntry& entry, const SwitcherState& state,
                     std::size_t top, std::size_t height, std::size_t columns) {
  out.move_to(0, top);
  out.raw(" ");
  const std::size_t swatches = std::min(entry.colours.size(), (columns - 2) / 2);
  for (std::size_t i = 0; i < swatches; ++i) {
    out.background(entry.colours[i]);
    out.raw("  ");
  }
  out.raw(sgr::kDefaultBackground);

  std::string summary;
  if (entry.index_file && !entry.background) {
    summary = state.unavailable.contains(*entry.index_file) ? " colours unavailable" : " fetching colours…";
  } else {
    summary = fmt::format(" bg {}   fg {}", colour_text(entry.background), colour_text(entry.foreground));
  }
  out.move_to(0, top + 1);
  out.raw(state.colours.dim);
  out.text(summary, columns);

  if (height > 9) draw_preview(out, entry, 1, top + 3, columns - 2);
}

// The theme the picture gives, under it: its sixteen colours, the variant
// and the theme's name; or that it is being worked out, or why not.
void draw_picture_colours(ScreenBuffer& out, const SwitcherState& state, const wallpaper::Wallpaper& wallpaper,
                          std::size_t row, std::size_t columns) {
  out.move_to(0, row);
  const PictureReply* reply = highlighted_picture(state);
  const themes::Palette* palette = shown_picture_palette(state);
  if (!palette) {
    out.raw(state.colours.dim);
    if (!reply) {
      out.text(" reading colours…", columns);
    } else {
      // The path is on the screen already.
      const std::string prefix = fmt::format("cannot read colours from {}: ", wallpaper.path);
      const std::string_view why =
          std::string_view(reply->error).starts_with(prefix) ? std::string_view(reply->error).substr(prefix.size())
                                                             : std::string_view(reply->error);
      out.text(fmt::format(" no theme from this picture: {}", why), columns);
    }
    return;
  }
  out.raw(" ");
  const std::size_t swatches = std::min(palette->colours.size(), (columns - 2) / 2);
  for (std::size_t i = 0; i < swatches; ++i) {
    out.background(palette->colours[i]);
    out.raw("  ");
  }
  out.raw(sgr::kDefaultBackground);
  out.raw(state.colours.dim);
  const std::size_t used = 1 + 2 * swatches;
  if (columns > used)
    out.text(fmt::format("  {}", wallpaper::wallpaper_theme_name(wallpaper.name, shown_variant(state))), columns - used);
}

void draw_wallpaper_pane(ScreenBuffer& out, const SwitcherState& state, const wallpaper::Wallpaper& wallpaper,
                         std::size_t top, std::size_t height, std::size_t columns) {
  const ScreenColours& ink = state.colours;
  draw_picture_colours(out, state, wallpaper, top + height - 2, columns);
  out.move_to(0, top + height - 1);
  out.raw(ink.accent);
  out.text(fmt::format(" {}", wallpaper.name), columns);
  if (height <= 4) {
    // The path shows only in the small pane; the large one holds the picture.
    out.move_to(0, top);
    out.raw(ink.dim);
    out.text(fmt::format(" path   {}", wallpaper.path), columns);
  }
}

}  // namespace

PaneGeometry pane_geometry(const SwitcherState& state, sys::TermSize size) {
  std::size_t height = 2;
  if (size.rows >= 24) {
    if (state.section == Section::Themes && size.columns >= 60 && !state.visible.empty()) height = 10;
    if (state.section == Section::Wallpapers && !state.wallpapers.empty()) height = 13;
  } else if (state.section == Section::Wallpapers && !state.wallpapers.empty()) {
    height = 3;  // the path, the picture's colours, the name
  }
  const std::size_t status_rows = state.status ? 2 : 1;
  return PaneGeometry{size.rows - height - status_rows, height};
}

void draw_pane(ScreenBuffer& out, const SwitcherState& state, std::size_t top, std::size_t height,
               std::size_t width) {
  if (state.outcome_shown && state.status) {
    // The whole outcome, as long as it is, over the pane until the next key.
    const auto lines = wrap_to_width(state.status->text, width - 2);
    out.raw(state.status->is_error ? state.colours.bad : state.colours.good);
    for (std::size_t i = 0; i < lines.size() && i < height; ++i) {
      out.move_to(1, top + i);
      out.text(lines[i], width - 2);
    }
    return;
  }
  if (state.section == Section::Themes) {
    if (state.selected < state.visible.size())
      draw_theme_pane(out, state.visible_entry(state.selected), state, top, height, width);
  } else if (state.selected < state.wallpapers.size()) {
    draw_wallpaper_pane(out, state, state.wallpapers[state.selected], top, height, width);
  }
}

std::string draw_screen(const SwitcherState& state, sys::TermSize size) {
  const std::size_t columns = size.columns;
  const std::size_t rows = size.rows;
  if (columns < kMinColumns || rows < kMinRows) return std::string(sgr::kReset) + "\x1b[2J";

  ScreenBuffer out(columns * rows * 3 + 4096);
  const PaneGeometry pane = pane_geometry(state, size);
  out.raw(sgr::kReset);
  // Cleared from the top left down, not with ED 2: kitty would remove the
  // wallpaper picture with that, on every key.
  out.move_to(0, 0);
  out.raw("\x1b[J");
  draw_header(out, state, columns);
  draw_rule(out, state.colours, 1, columns);
  draw_list(out, state, pane.top - 3, columns);
  draw_rule(out, state.colours, pane.top - 1, columns);
  draw_pane(out, state, pane.top, pane.height, columns);

  if (state.status) {
    out.move_to(0, rows - 2);
    out.raw(state.status->is_error ? state.colours.bad : state.colours.good);
    // The text may be another program's error output of any length: it is
    // fitted as it stands, never copied whole.
    const std::size_t used = out.text(state.status->is_error ? " ⚠ " : " ✓ ", columns);
    out.text(state.status->text, columns - used);
  }
  out.move_to(0, rows - 1);
  out.raw(state.colours.dim);
  if (state.filter_mode) {
    out.text(kHintsFilter, columns);
  } else if (state.section == Section::Wallpapers) {
    out.text(kHintsWallpapers, columns);
  } else {
    out.text(kHintsThemes, columns);
  }
  out.raw(sgr::kReset);
  return out.take();
}

}  // namespace switcher
