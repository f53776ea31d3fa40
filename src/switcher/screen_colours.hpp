#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "themes/palette.hpp"

namespace switcher {

/// The colours of the Switcher's own elements, as SGR sequences. The
/// preview pane keeps the theme's own colours: it shows the theme.
struct ScreenColours {
  std::string dim = "\x1b[38;5;8m";     ///< hints, rules, inactive tab, colour summary
  std::string label = "\x1b[38;5;7m";   ///< list labels
  std::string bright = "\x1b[38;5;15m"; ///< the highlighted label and the active tab
  std::string accent = "\x1b[38;5;14m"; ///< the filter, the highlight mark, the wallpaper's name
  std::string good = "\x1b[38;5;10m";   ///< the active marker and a success
  std::string bad = "\x1b[38;5;9m";     ///< an error
  std::string bar = "\x1b[48;5;237m";   ///< behind the highlighted row and the active tab
  std::string accent_on_bar = "\x1b[38;5;14m";  ///< the highlight mark
  std::string good_on_bar = "\x1b[38;5;10m";    ///< the active marker on the highlighted row
  std::string inactive_tab = "\x1b[38;5;8m";
  bool inactive_tab_bold = true;
  bool operator==(const ScreenColours&) const = default;
};

/// One element as drawn on a palette: its contrast with what is behind it,
/// and the least it needs to be read.
struct ElementContrast {
  std::string_view element;
  double contrast;
  double needed;
};

/// The colours to draw with on a terminal whose palette is `palette`
/// (colours 0 to 15, background and foreground): each element keeps its
/// usual palette colour where that is readable (labels and the status at
/// least 4.5:1, dim text 3:1, the highlight bar 1.3:1 from the background
/// with its label 4.5:1), and only the ones that fail get a colour of
/// their own, darkened or lightened until they pass. The inactive tab never
/// stands out more than the active one. An incomplete palette gives the
/// usual colours.
ScreenColours readable_colours(const themes::Palette& palette);

/// Each element's contrast as `readable_colours` draws it on `palette`.
std::vector<ElementContrast> element_contrasts(const themes::Palette& palette);

}  // namespace switcher
