#include "templates/shipped.hpp"

#include <algorithm>

namespace templates {
namespace {

// Each begins with what the user adds to the application's own
// configuration once, and how a running one reloads.

constexpr std::string_view kRofi = R"(/* Colours of the current theme, written by tintwell on every activation.
 * Add at the end of ~/.config/rofi/config.rasi:   @import "tintwell"
 * rofi reads it on every start. */
* {
    background:                  {{ background }};
    foreground:                  {{ foreground }};
    lightbg:                     {{ surface }};
    lightfg:                     {{ foreground }};
    red:                         {{ color1 }};
    blue:                        {{ color4 }};
    border-color:                {{ accent }};
    separatorcolor:              {{ muted }};
    background-color:            {{ background }};
    normal-background:           {{ background }};
    normal-foreground:           {{ foreground }};
    alternate-normal-background: {{ base }};
    alternate-normal-foreground: {{ foreground }};
    selected-normal-background:  {{ selection }};
    selected-normal-foreground:  {{ foreground }};
    active-background:           {{ background }};
    active-foreground:           {{ accent }};
    alternate-active-background: {{ base }};
    alternate-active-foreground: {{ accent }};
    selected-active-background:  {{ accent }};
    selected-active-foreground:  {{ background }};
    urgent-background:           {{ background }};
    urgent-foreground:           {{ color1 }};
    alternate-urgent-background: {{ base }};
    alternate-urgent-foreground: {{ color1 }};
    selected-urgent-background:  {{ color1 }};
    selected-urgent-foreground:  {{ background }};
}
)";

constexpr std::string_view kWofi = R"(/* Colours of the current theme, written by tintwell on every activation.
 * Add to ~/.config/wofi/config:   style=/home/YOU/.config/wofi/tintwell.css
 * (or start wofi with --style); wofi reads it on every start. */
window {
    background-color: {{ background }};
    color: {{ foreground }};
}
#window {
    background-color: {{ background }};
    border: 2px solid {{ accent }};
}
#outer-box, #scroll, #inner-box {
    background-color: {{ background }};
}
#input {
    background-color: {{ base }};
    color: {{ foreground }};
    border: 1px solid {{ muted }};
}
#entry {
    color: {{ foreground }};
}
#entry:selected {
    background-color: {{ selection }};
}
#text:selected {
    color: {{ foreground }};
}
)";

constexpr std::string_view kFuzzel = R"(# Colours of the current theme, written by tintwell on every activation.
# fuzzel 1.12 and later: add to the [main] section of ~/.config/fuzzel/fuzzel.ini:
#   include=~/.config/fuzzel/tintwell.ini
# (older versions have no include: copy these lines there). fuzzel reads it on every start.
[colors]
background={{ background | strip }}f2
text={{ foreground | strip }}ff
match={{ accent | strip }}ff
selection={{ selection | strip }}ff
selection-text={{ foreground | strip }}ff
selection-match={{ accent | strip }}ff
border={{ accent | strip }}ff
)";

constexpr std::string_view kMako = R"(# Colours of the current theme, written by tintwell on every activation.
# mako 1.10 and later: add before the first [section] of ~/.config/mako/config:
#   include=~/.config/mako/tintwell
# Reload: makoctl reload
background-color={{ background }}
text-color={{ foreground }}
border-color={{ accent }}
progress-color=over {{ selection }}

[urgency=low]
border-color={{ muted }}

[urgency=critical]
border-color={{ color1 }}
)";

constexpr std::string_view kDunst = R"(# Colours of the current theme, written by tintwell on every activation.
# dunst reads the files of ~/.config/dunst/dunstrc.d/ after ~/.config/dunst/dunstrc,
# and only when that file exists: create it (even empty) if you have none.
# Reload: dunstctl reload (dunst 1.12 and later), else restart dunst.
[global]
    frame_color = "{{ accent }}"
    separator_color = frame

[urgency_low]
    background = "{{ background }}"
    foreground = "{{ muted }}"
    frame_color = "{{ muted }}"
    highlight = "{{ color4 }}"

[urgency_normal]
    background = "{{ background }}"
    foreground = "{{ foreground }}"
    frame_color = "{{ accent }}"
    highlight = "{{ color4 }}"

[urgency_critical]
    background = "{{ background }}"
    foreground = "{{ foreground }}"
    frame_color = "{{ color1 }}"
    highlight = "{{ color1 }}"
)";

constexpr std::string_view kSwaync = R"(/* Colours of the current theme, written by tintwell on every activation,
 * for swaync 0.7 to 0.11 (GTK 3). Add at the top of ~/.config/swaync/style.css:
 *   @import "tintwell.css";
 * Reload: swaync-client -rs */
@define-color cc-bg {{ background }};
@define-color noti-border-color {{ muted }};
@define-color noti-bg {{ base }};
@define-color noti-bg-hover {{ surface }};
@define-color noti-bg-focus {{ surface }};
@define-color noti-close-bg {{ surface }};
@define-color noti-close-bg-hover {{ selection }};
@define-color bg-selected {{ accent }};
.notification, .control-center {
    color: {{ foreground }};
}
.critical {
    border-color: {{ color1 }};
}
)";

constexpr std::string_view kHyprlock = R"(# Colours of the current theme, written by tintwell on every activation.
# Add near the top of ~/.config/hypr/hyprlock.conf:
#   source = ~/.config/hypr/tintwell-hyprlock.conf
# and use the variables below in your widgets (color = $tw_background, ...).
# hyprlock reads it on every lock.
$tw_background = rgb({{ background | strip }})
$tw_foreground = rgb({{ foreground | strip }})
$tw_surface = rgb({{ surface | strip }})
$tw_accent = rgb({{ accent | strip }})
$tw_muted = rgb({{ muted | strip }})
$tw_check = rgb({{ color3 | strip }})
$tw_fail = rgb({{ color1 | strip }})
$tw_ok = rgb({{ color2 | strip }})
)";

constexpr std::string_view kQt5ct =
    R"(# Colours of the current theme, written by tintwell on every activation; qt6ct reads it too.
# In ~/.config/qt5ct/qt5ct.conf (or qt6ct/qt6ct.conf), section [Appearance]:
#   custom_palette=true
#   color_scheme_path=/home/YOU/.config/qt5ct/colors/tintwell.conf
# with QT_QPA_PLATFORMTHEME=qt5ct (or qt6ct) set. Qt programs take it a few seconds later.
[ColorScheme]
active_colors={{ foreground | ahex(1) }}, {{ surface | ahex(1) }}, {{ surface | lighten(20) | ahex(1) }}, {{ surface | lighten(10) | ahex(1) }}, {{ background | darken(30) | ahex(1) }}, {{ surface | darken(10) | ahex(1) }}, {{ foreground | ahex(1) }}, {{ color15 | ahex(1) }}, {{ foreground | ahex(1) }}, {{ base | ahex(1) }}, {{ background | ahex(1) }}, {{ background | darken(60) | ahex(1) }}, {{ accent | ahex(1) }}, {{ background | ahex(1) }}, {{ accent | ahex(1) }}, {{ color5 | ahex(1) }}, {{ surface | ahex(1) }}, {{ background | ahex(1) }}, {{ surface | ahex(1) }}, {{ foreground | ahex(1) }}, {{ muted | ahex(1) }}
inactive_colors={{ foreground | ahex(1) }}, {{ surface | ahex(1) }}, {{ surface | lighten(20) | ahex(1) }}, {{ surface | lighten(10) | ahex(1) }}, {{ background | darken(30) | ahex(1) }}, {{ surface | darken(10) | ahex(1) }}, {{ foreground | ahex(1) }}, {{ color15 | ahex(1) }}, {{ foreground | ahex(1) }}, {{ base | ahex(1) }}, {{ background | ahex(1) }}, {{ background | darken(60) | ahex(1) }}, {{ accent | mix(background, 30) | ahex(1) }}, {{ background | ahex(1) }}, {{ accent | ahex(1) }}, {{ color5 | ahex(1) }}, {{ surface | ahex(1) }}, {{ background | ahex(1) }}, {{ surface | ahex(1) }}, {{ foreground | ahex(1) }}, {{ muted | ahex(1) }}
disabled_colors={{ muted | ahex(1) }}, {{ surface | ahex(1) }}, {{ surface | lighten(20) | ahex(1) }}, {{ surface | lighten(10) | ahex(1) }}, {{ background | darken(30) | ahex(1) }}, {{ surface | darken(10) | ahex(1) }}, {{ muted | ahex(1) }}, {{ color15 | ahex(1) }}, {{ muted | ahex(1) }}, {{ base | ahex(1) }}, {{ background | ahex(1) }}, {{ background | darken(60) | ahex(1) }}, {{ surface | ahex(1) }}, {{ muted | ahex(1) }}, {{ muted | ahex(1) }}, {{ muted | ahex(1) }}, {{ surface | ahex(1) }}, {{ background | ahex(1) }}, {{ surface | ahex(1) }}, {{ muted | ahex(1) }}, {{ muted | ahex(1) }}
)";

constexpr std::string_view kZathura = R"(# Colours of the current theme, written by tintwell on every activation.
# Add to ~/.config/zathura/zathurarc:   include tintwell
# Reload: :source in a running zathura.
set default-bg "{{ background }}"
set default-fg "{{ foreground }}"
set statusbar-bg "{{ surface }}"
set statusbar-fg "{{ foreground }}"
set inputbar-bg "{{ base }}"
set inputbar-fg "{{ foreground }}"
set notification-bg "{{ surface }}"
set notification-fg "{{ foreground }}"
set notification-error-bg "{{ surface }}"
set notification-error-fg "{{ color1 }}"
set notification-warning-bg "{{ surface }}"
set notification-warning-fg "{{ color3 }}"
set completion-bg "{{ base }}"
set completion-fg "{{ foreground }}"
set completion-highlight-bg "{{ selection }}"
set completion-highlight-fg "{{ foreground }}"
set highlight-color "{{ color3 }}"
set highlight-active-color "{{ accent }}"
set index-bg "{{ background }}"
set index-fg "{{ foreground }}"
set index-active-bg "{{ selection }}"
set index-active-fg "{{ foreground }}"
set recolor-lightcolor "{{ background }}"
set recolor-darkcolor "{{ foreground }}"
)";

constexpr std::string_view kTmux = R"(# Colours of the current theme, written by tintwell on every activation.
# Add to ~/.config/tmux/tmux.conf (or ~/.tmux.conf):
#   source-file -q ~/.config/tmux/tintwell.conf
# Reload: tmux source-file ~/.config/tmux/tintwell.conf
set -g status-style "bg={{ surface }},fg={{ foreground }}"
set -g window-status-style "bg={{ surface }},fg={{ muted }}"
set -g window-status-current-style "bg={{ accent }},fg={{ background }},bold"
set -g pane-border-style "fg={{ muted }}"
set -g pane-active-border-style "fg={{ accent }}"
set -g message-style "bg={{ surface }},fg={{ foreground }}"
set -g message-command-style "bg={{ surface }},fg={{ accent }}"
set -g mode-style "bg={{ selection }},fg={{ foreground }}"
set -g clock-mode-colour "{{ accent }}"
set -g display-panes-active-colour "{{ accent }}"
set -g display-panes-colour "{{ muted }}"
)";

}  // namespace

const std::vector<ShippedTemplate>& shipped_templates() {
  static const std::vector<ShippedTemplate> kAll = {
      {"dunst", "~/.config/dunst/dunstrc.d/90-tintwell.conf", kDunst},
      {"fuzzel", "~/.config/fuzzel/tintwell.ini", kFuzzel},
      {"hyprlock", "~/.config/hypr/tintwell-hyprlock.conf", kHyprlock},
      {"mako", "~/.config/mako/tintwell", kMako},
      {"qt5ct", "~/.config/qt5ct/colors/tintwell.conf", kQt5ct},
      {"rofi", "~/.config/rofi/tintwell.rasi", kRofi},
      {"swaync", "~/.config/swaync/tintwell.css", kSwaync},
      {"tmux", "~/.config/tmux/tintwell.conf", kTmux},
      {"wofi", "~/.config/wofi/tintwell.css", kWofi},
      {"zathura", "~/.config/zathura/tintwell", kZathura},
  };
  return kAll;
}

const ShippedTemplate* find_shipped(std::string_view name) {
  const auto& all = shipped_templates();
  const auto it = std::find_if(all.begin(), all.end(), [&](const auto& t) { return t.name == name; });
  return it == all.end() ? nullptr : &*it;
}

}  // namespace templates
