#include "switcher/switcher.hpp"

#include <algorithm>
#include <chrono>

#include "switcher/draw.hpp"
#include "switcher/image_preview.hpp"
#include "switcher/index_refresh.hpp"
#include "switcher/live_preview.hpp"
#include "switcher/picture_colours.hpp"
#include "switcher/switcher_state.hpp"
#include "sys/terminal.hpp"

namespace switcher {
namespace {

constexpr std::chrono::milliseconds kEventWait{40};
// A terminal that does not answer its questions is not waited for longer.
constexpr std::chrono::milliseconds kQuestionsLimit{100};

/// The full-screen session on the controlling terminal.
class SessionTerminal final : public SwitcherTerminal {
 public:
  explicit SessionTerminal(std::unique_ptr<sys::TerminalSession> session) : session_(std::move(session)) {}
  sys::Result<void> write(std::string_view bytes) override { return session_->write(bytes); }
  sys::Result<sys::TermSize> size() override { return sys::terminal_size(); }
  sys::Result<std::optional<sys::TerminalEvent>> wait_event(std::chrono::milliseconds limit) override {
    return session_->wait_event(limit);
  }
  sys::Result<sys::TerminalReplies> ask(std::string_view questions, std::chrono::milliseconds limit) override {
    return session_->ask(questions, limit);
  }
  void set_bookends(std::string_view on_enter, std::string_view on_leave) override {
    session_->set_bookends(on_enter, on_leave);
  }
  void restore() { session_->restore(); }

 private:
  std::unique_ptr<sys::TerminalSession> session_;
};

class Loop {
 public:
  Loop(SwitcherTerminal& terminal, SwitcherState& state, SwitcherServices& services, const sys::ClockFn& now)
      : terminal_(terminal), state_(state), services_(services), now_(now) {}

  sys::Result<void> run();
  /// The theme active now, when it is not the one the state knows: the
  /// window ends in it.
  void notice_theme_applied_elsewhere();

 private:
  sys::Result<sys::TermSize> draw();
  sys::Result<void> draw_with_picture();
  void keep_way_out();
  sys::Result<void> step_preview();

  SwitcherTerminal& terminal_;
  SwitcherState& state_;
  SwitcherServices& services_;
  const sys::ClockFn& now_;
  std::string way_out_;  ///< what gives the window back, as last handed to the terminal
};

sys::Result<sys::TermSize> Loop::draw() {
  // Only the highlighted theme's colours are shown: read them now, if the
  // list was made without them.
  load_highlighted_palette(state_);
  auto size = terminal_.size();
  if (!size) return size.error();
  const std::size_t top = pane_geometry(state_, size.value()).top;
  state_.page_rows = top > 4 ? top - 3 : 1;
  if (auto written = terminal_.write(draw_screen(state_, size.value())); !written) return written.error();
  return size;
}

sys::Result<void> Loop::draw_with_picture() {
  auto size = draw();
  if (!size) return size.error();
  update_image_preview(state_, size.value(), services_, now_());
  return sys::success();
}

// What gives the window back is kept where a signal finds it too.
void Loop::keep_way_out() {
  if (!state_.preview.possible) return;
  std::string way_out = window_colours_at_end(state_.preview);
  if (way_out == way_out_) return;
  way_out_ = std::move(way_out);
  terminal_.set_bookends(window_colours_saved(), way_out_);
}

// The window takes the colours of the theme the highlight rests on, and
// gets its own back when the Switcher ends, whichever way it ends.
sys::Result<void> Loop::step_preview() {
  if (!state_.preview.possible) return sys::success();
  keep_way_out();
  const std::string colours = step_live_preview(state_, now_());
  if (colours.empty()) return sys::success();
  keep_way_out();
  if (auto written = terminal_.write(colours); !written) return written;
  auto drawn = draw();  // drawn readable on the new palette
  if (!drawn) return drawn.error();
  return sys::success();
}

void Loop::notice_theme_applied_elsewhere() {
  if (!state_.preview.possible || services_.active_theme_name() == state_.active_theme) return;
  state_.preview.theme_changed = true;
  state_.preview.active_colours = services_.active_colours();
  keep_way_out();
}

sys::Result<void> Loop::run() {
  if (state_.preview.possible) {
    if (auto saved = terminal_.write(window_colours_saved()); !saved) return saved;
    keep_way_out();
  }
  if (auto drawn = draw_with_picture(); !drawn) return drawn;
  const ColourFetch fetch = services_.colour_fetch();
  const PictureColoursFn picture_work = services_.picture_colours();
  if (auto scheduled = schedule_index_refresh(state_, services_); !scheduled) return scheduled;
  for (;;) {
    // Workers first: take their replies, start the next colour worker,
    // show what arrived.
    const auto now = now_();
    const bool reloaded = poll_index_refresh(state_, services_);
    const bool replied = poll_colour_reply(state_, now);
    const bool changed = notice_theme_changed_elsewhere(state_, services_, now);
    const bool pictured = poll_picture_colours(state_);
    if (changed) keep_way_out();
    if (auto scheduled = schedule_colour_fetch(state_, fetch, now); !scheduled) return scheduled;
    if (auto scheduled = schedule_picture_colours(state_, picture_work, now); !scheduled) return scheduled;
    if (replied || reloaded || changed || pictured) {
      if (auto drawn = draw(); !drawn) return drawn.error();
    }

    services_.poll_image();
    if (auto previewed = step_preview(); !previewed) return previewed;
    // A preview coming due is not left waiting for the next event's time.
    auto wait = kEventWait;
    if (state_.preview.wanted && state_.preview.wanted != state_.preview.shown) {
      const auto due =
          std::chrono::duration_cast<std::chrono::milliseconds>(state_.preview.wanted_since + kPreviewDwell - now_());
      wait = std::clamp(due + std::chrono::milliseconds(1), std::chrono::milliseconds(1), kEventWait);
    }
    // Nor a picture's colours, due or on their way.
    wait = picture_colours_wait(state_, now_(), wait);
    auto event = terminal_.wait_event(wait);
    if (!event) return event.error();
    if (!event.value()) {
      // No key waiting: the picture of where the highlight rests is due.
      place_resting_image(state_, services_, now_());
      continue;
    }
    if (const auto* key = std::get_if<sys::Key>(&*event.value())) {
      if (key->kind == sys::KeyKind::Release) continue;
      const bool was_filter_mode = state_.filter_mode;
      // Enter shows "applying…" before it blocks; a failed draw then is
      // reported by the next one.
      const ShowNow show_now = [&](const SwitcherState& now) {
        if (auto size = terminal_.size()) (void)terminal_.write(draw_screen(now, size.value()));
      };
      if (handle_key(state_, *key, services_, show_now)) return sys::success();
      // Picture updates wait until the filter is left: typing must not
      // start the image program.
      if (was_filter_mode) {
        if (auto drawn = draw(); !drawn) return drawn.error();
      } else if (auto drawn = draw_with_picture(); !drawn) {
        return drawn;
      }
    } else {
      // A resize, or the terminal taken again after a stop, which gave the
      // window its own colours back: the preview is sent again.
      state_.preview.shown.reset();
      if (auto drawn = draw_with_picture(); !drawn) return drawn;
    }
  }
}

}  // namespace

sys::Result<void> run_switcher_on(SwitcherTerminal& terminal, SwitcherServices& services,
                                  const std::filesystem::path& themes_dir, const sys::ClockFn& now) {
  // Whether the terminal is kitty and what it shows, asked before the first
  // frame (kitty, foot, alacritty, xterm and the like answer at once).
  auto replies = terminal.ask(sys::terminal_questions(), kQuestionsLimit);
  if (!replies) return replies.error();
  const TerminalFacts facts = terminal_facts(replies.value(), services.runs_in_kitty());
  SwitcherState state = initial_state(services, themes_dir, facts);
  Loop loop(terminal, state, services, now);
  auto ended = loop.run();
  // A theme applied elsewhere while the Switcher was open is the one the
  // window ends in.
  loop.notice_theme_applied_elsewhere();
  return ended;
}

sys::Result<void> run_switcher(SwitcherServices& services, const std::filesystem::path& themes_dir) {
  auto session = sys::TerminalSession::enter();
  if (!session) return session.error();
  SessionTerminal terminal(std::move(session).value());
  // The picture first, then the terminal modes, however the run ends.
  struct GiveBack {
    SessionTerminal& terminal;
    SwitcherServices& services;
    ~GiveBack() {
      services.clear_image();
      terminal.restore();
    }
  } give_back{terminal, services};
  return run_switcher_on(terminal, services, themes_dir, sys::steady_now);
}

}  // namespace switcher
