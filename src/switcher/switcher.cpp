#include "switcher/switcher.hpp"

#include <algorithm>
#include <chrono>

#include "switcher/draw.hpp"
#include "switcher/image_preview.hpp"
#include "switcher/index_refresh.hpp"
#include "switcher/live_preview.hpp"
#include "switcher/switcher_state.hpp"
#include "sys/terminal.hpp"

namespace switcher {
namespace {

constexpr std::chrono::milliseconds kEventWait{40};
// A terminal that does not answer its questions is not waited for longer.
constexpr std::chrono::milliseconds kQuestionsLimit{100};

/// Gives the terminal back however the session ends: the picture first,
/// then the terminal modes.
class SwitcherTerminal {
 public:
  SwitcherTerminal(std::unique_ptr<sys::TerminalSession> session, SwitcherServices& services)
      : session_(std::move(session)), services_(services) {}
  ~SwitcherTerminal() { restore_terminal(); }
  sys::TerminalSession& operator*() { return *session_; }
  sys::TerminalSession* operator->() { return session_.get(); }

  void restore_terminal() {
    if (!session_) return;
    services_.clear_image();
    session_->restore();
    session_.reset();
  }

 private:
  std::unique_ptr<sys::TerminalSession> session_;
  SwitcherServices& services_;
};

sys::Result<sys::TermSize> draw(SwitcherTerminal& terminal, SwitcherState& state) {
  // Only the highlighted theme's colours are shown: read them now, if the
  // list was made without them.
  load_highlighted_palette(state);
  auto size = sys::terminal_size();
  if (!size) return size.error();
  const std::size_t top = pane_geometry(state, size.value()).top;
  state.page_rows = top > 4 ? top - 3 : 1;
  if (auto written = terminal->write(draw_screen(state, size.value())); !written) return written.error();
  return size;
}

sys::Result<void> draw_with_picture(SwitcherTerminal& terminal, SwitcherState& state, SwitcherServices& services) {
  auto size = draw(terminal, state);
  if (!size) return size.error();
  update_image_preview(state, size.value(), services, std::chrono::steady_clock::now());
  return sys::success();
}

// What gives the window back, kept where a signal finds it too.
void keep_way_out(SwitcherTerminal& terminal, const SwitcherState& state, std::string& kept) {
  if (!state.preview.possible) return;
  std::string way_out = window_colours_at_end(state.preview);
  if (way_out == kept) return;
  kept = std::move(way_out);
  terminal->set_bookends(window_colours_saved(), kept);
}

// The window takes the colours of the theme the highlight rests on, and
// gets its own back when the Switcher ends, whichever way it ends.
sys::Result<void> step_preview(SwitcherTerminal& terminal, SwitcherState& state, std::string& way_out) {
  if (!state.preview.possible) return sys::success();
  keep_way_out(terminal, state, way_out);
  const std::string colours = step_live_preview(state, std::chrono::steady_clock::now());
  if (colours.empty()) return sys::success();
  keep_way_out(terminal, state, way_out);
  if (auto written = terminal->write(colours); !written) return written;
  auto drawn = draw(terminal, state);  // drawn readable on the new palette
  if (!drawn) return drawn.error();
  return sys::success();
}

sys::Result<void> event_loop(SwitcherTerminal& terminal, SwitcherState& state, SwitcherServices& services,
                             std::string& way_out) {
  if (state.preview.possible) {
    if (auto saved = terminal->write(window_colours_saved()); !saved) return saved;
    keep_way_out(terminal, state, way_out);
  }
  if (auto drawn = draw_with_picture(terminal, state, services); !drawn) return drawn;
  const ColourFetch fetch = services.colour_fetch();
  if (auto scheduled = schedule_index_refresh(state, services); !scheduled) return scheduled;
  for (;;) {
    // Workers first: take their replies, start the next colour worker,
    // show what arrived.
    const auto now = std::chrono::steady_clock::now();
    const bool reloaded = poll_index_refresh(state, services);
    const bool replied = poll_colour_reply(state, now);
    if (auto scheduled = schedule_colour_fetch(state, fetch, now); !scheduled) return scheduled;
    if (replied || reloaded) {
      if (auto drawn = draw(terminal, state); !drawn) return drawn.error();
    }

    services.poll_image();
    if (auto previewed = step_preview(terminal, state, way_out); !previewed) return previewed;
    // A preview coming due is not left waiting for the next event's time.
    auto wait = kEventWait;
    if (state.preview.wanted && state.preview.wanted != state.preview.shown) {
      const auto due = std::chrono::duration_cast<std::chrono::milliseconds>(
          state.preview.wanted_since + kPreviewDwell - std::chrono::steady_clock::now());
      wait = std::clamp(due + std::chrono::milliseconds(1), std::chrono::milliseconds(1), kEventWait);
    }
    auto event = terminal->wait_event(wait);
    if (!event) return event.error();
    if (!event.value()) {
      // No key waiting: the picture of where the highlight rests is due.
      place_resting_image(state, services, std::chrono::steady_clock::now());
      continue;
    }
    if (const auto* key = std::get_if<sys::Key>(&*event.value())) {
      if (key->kind == sys::KeyKind::Release) continue;
      const bool was_filter_mode = state.filter_mode;
      // Enter shows "applying…" before it blocks; a failed draw then is
      // reported by the next one.
      const ShowNow show_now = [&](const SwitcherState& now) {
        if (auto size = sys::terminal_size()) (void)terminal->write(draw_screen(now, size.value()));
      };
      if (handle_key(state, *key, services, show_now)) return sys::success();
      // Picture updates wait until the filter is left: typing must not
      // start the image program.
      if (was_filter_mode) {
        if (auto drawn = draw(terminal, state); !drawn) return drawn.error();
      } else if (auto drawn = draw_with_picture(terminal, state, services); !drawn) {
        return drawn;
      }
    } else {
      // A resize, or the terminal taken again after a stop, which gave the
      // window its own colours back: the preview is sent again.
      state.preview.shown.reset();
      if (auto drawn = draw_with_picture(terminal, state, services); !drawn) return drawn;
    }
  }
}

}  // namespace

sys::Result<void> run_switcher(SwitcherServices& services, const std::filesystem::path& themes_dir) {
  auto session = sys::TerminalSession::enter();
  if (!session) return session.error();
  SwitcherTerminal terminal(std::move(session).value(), services);
  // Whether the terminal is kitty and what it shows, asked before the first
  // frame (kitty, foot, alacritty, xterm and the like answer at once).
  auto replies = terminal->ask(sys::terminal_questions(), kQuestionsLimit);
  if (!replies) return replies.error();
  const TerminalFacts facts = terminal_facts(replies.value(), services.runs_in_kitty());
  auto outcome = [&] {
    SwitcherState state = initial_state(services, themes_dir, facts);
    std::string way_out;
    auto ended = event_loop(terminal, state, services, way_out);
    // A theme applied elsewhere while the Switcher was open is the one the
    // window ends in.
    if (state.preview.possible && services.active_theme_name() != state.active_theme) {
      state.preview.theme_changed = true;
      state.preview.active_colours = services.active_colours();
      keep_way_out(terminal, state, way_out);
    }
    return ended;
  }();  // the state is released before the terminal is given back
  terminal.restore_terminal();
  return outcome;
}

}  // namespace switcher
