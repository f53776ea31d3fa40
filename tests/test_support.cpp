#include "test_support.hpp"

#include <unistd.h>

#include "themes/builtin_themes.hpp"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sys/text.hpp"

#include <fmt/format.h>

namespace testing_support {

VirtualScreen::VirtualScreen(std::size_t columns, std::size_t rows)
    : columns_(columns), rows_(rows), cells_(columns * rows) {}

void VirtualScreen::feed(std::string_view out) {
  std::size_t pos = 0;
  while (pos < out.size()) {
    if (out[pos] == '\x1b' && pos + 1 < out.size() && out[pos + 1] == '[') {
      std::size_t end = pos + 2;
      while (end < out.size() && !(out[end] >= 0x40 && out[end] <= 0x7E)) ++end;
      if (end >= out.size()) throw std::runtime_error("unterminated control sequence");
      const std::string params(out.substr(pos + 2, end - pos - 2));
      const char final_byte = out[end];
      if (final_byte == 'H') {
        const auto semi = params.find(';');
        y_ = static_cast<std::size_t>(std::stoul(params.substr(0, semi))) - 1;
        x_ = static_cast<std::size_t>(std::stoul(params.substr(semi + 1))) - 1;
      } else if (final_byte == 'J') {
        for (auto& cell : cells_) cell = Cell{};
      } else if (final_byte == 'm') {
        apply_sgr(params);
      }
      pos = end + 1;
      continue;
    }
    const std::size_t start = pos;
    char32_t cp;
    sys::next_code_point(out, pos, cp);
    if (sys::is_control(cp) || sys::is_bidi_control(cp)) throw std::runtime_error("control character in screen text");
    const std::string glyph(out.substr(start, pos - start));
    const std::size_t width = sys::cell_width(cp);
    if (width == 0) {  // a combining mark joins the character before it
      if (x_ > 0 && y_ < rows_) cells_[y_ * columns_ + x_ - 1].glyph += glyph;
      continue;
    }
    if (x_ + width > columns_ || y_ >= rows_) throw std::runtime_error("text written outside the screen");
    cells_[y_ * columns_ + x_] = Cell{glyph, style_};
    if (width == 2) cells_[y_ * columns_ + x_ + 1] = Cell{"", style_};  // covered by the wide character
    x_ += width;
  }
}

void VirtualScreen::apply_sgr(const std::string& params) {
  std::vector<int> codes;
  std::size_t start = 0;
  while (start <= params.size()) {
    const auto end = std::min(params.find(';', start), params.size());
    codes.push_back(end == start ? 0 : std::stoi(params.substr(start, end - start)));
    start = end + 1;
  }
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const int code = codes[i];
    if (code == 0) {
      style_ = Style{};
    } else if (code == 1) {
      style_.bold = true;
    } else if (code == 22) {
      style_.bold = false;
    } else if (code == 3) {
      style_.italic = true;
    } else if (code == 23) {
      style_.italic = false;
    } else if (code == 39) {
      style_.fg.clear();
    } else if (code == 49) {
      style_.bg.clear();
    } else if ((code == 38 || code == 48) && i + 2 < codes.size() && codes[i + 1] == 5) {
      (code == 38 ? style_.fg : style_.bg) = std::to_string(codes[i + 2]);
      i += 2;
    } else if ((code == 38 || code == 48) && i + 4 < codes.size() && codes[i + 1] == 2) {
      char hex[8];
      snprintf(hex, sizeof hex, "#%02x%02x%02x", codes[i + 2], codes[i + 3], codes[i + 4]);
      (code == 38 ? style_.fg : style_.bg) = hex;
      i += 4;
    } else {
      throw std::runtime_error("unexpected SGR parameter " + std::to_string(code));
    }
  }
}

std::string VirtualScreen::Style::text() const {
  std::string out;
  const auto add = [&](std::string part) { out += (out.empty() ? "" : " ") + part; };
  if (!fg.empty()) add("fg:" + fg);
  if (!bg.empty()) add("bg:" + bg);
  if (bold) add("bold");
  if (italic) add("italic");
  return out;
}

std::string VirtualScreen::row(std::size_t row) const {
  std::string text;
  for (std::size_t x = 0; x < columns_; ++x) text += cells_[row * columns_ + x].glyph;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string VirtualScreen::style_at(std::size_t column, std::size_t row) const {
  return cells_[row * columns_ + column].style.text();
}

std::string VirtualScreen::dump() const {
  std::string out;
  for (std::size_t y = 0; y < rows_; ++y) {
    out += "|" + row(y) + "\n";
    for (std::size_t x = 0; x < columns_;) {
      const std::string style = style_at(x, y);
      std::size_t end = x + 1;
      while (end < columns_ && style_at(end, y) == style) ++end;
      if (!style.empty()) out += "  " + std::to_string(x) + "-" + std::to_string(end - 1) + " " + style + "\n";
      x = end;
    }
  }
  return out;
}

namespace {

std::string unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    switch (const char c = text[++i]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'e': out += '\x1b'; break;
      case 'x':
        out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
        i += 2;
        break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::vector<Case> read_cases(const std::string& name) {
  std::vector<Case> cases;
  std::istringstream in(read_text(std::filesystem::path(TINTWELL_FIXTURES_DIR) / "cases" / name));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with("- ")) cases.emplace_back();
    if (cases.empty() || line.size() < 2) throw std::runtime_error("malformed case line: " + line);
    const std::string field = line.substr(2);
    const auto colon = field.find(':');
    if (colon == std::string::npos) throw std::runtime_error("malformed case line: " + line);
    const std::string value = field.substr(colon + 1);
    cases.back()[field.substr(0, colon)] = unescape(value.starts_with(' ') ? value.substr(1) : value);
  }
  if (cases.empty()) throw std::runtime_error("no cases in " + name);
  return cases;
}

void expect_golden(const std::string& name, const std::string& actual) {
  const std::filesystem::path path = std::filesystem::path(TINTWELL_FIXTURES_DIR) / name;
  if (getenv("TINTWELL_UPDATE_GOLDENS")) {
    write_text(path, actual);
    return;
  }
  // A failure's diff is printed as is: bytes above ASCII are shown escaped so the report stays text.
  const auto shown = [](const std::string& text) {
    std::string out;
    for (const unsigned char c : text) out += c < 0x80 ? std::string(1, static_cast<char>(c)) : fmt::format("\\x{:02x}", c);
    return out;
  };
  EXPECT_EQ(shown(actual), shown(read_text(path))) << "golden " << name << " (TINTWELL_UPDATE_GOLDENS=1 rewrites it)";
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tintwell-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only directories behind; make them removable.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

sys::SystemRoots empty_system(const std::filesystem::path& dir) {
  sys::SystemRoots roots{.proc = dir / "proc", .pts = dir / "pts", .run_user = dir / "run-user"};
  for (const auto& made : {roots.proc, roots.pts, roots.run_user}) std::filesystem::create_directories(made);
  // The instance's ptmx, which the masters of its terminals are opened through.
  write_text(roots.pts / "ptmx", "");
  return roots;
}

void fake_process(const sys::SystemRoots& roots, int pid, const std::string& name, std::vector<unsigned> ptys,
                  uid_t owner, std::filesystem::path ptmx) {
  namespace fs = std::filesystem;
  if (ptmx.empty()) ptmx = roots.pts / "ptmx";
  if (!fs::exists(ptmx)) write_text(ptmx, "");
  const fs::path dir = roots.proc / std::to_string(pid);
  fs::create_directories(dir / "fd");
  fs::create_directories(dir / "fdinfo");
  write_text(dir / "comm", name + "\n");
  int fd = 3;
  for (const unsigned pty : ptys) {
    fs::create_symlink(ptmx, dir / "fd" / std::to_string(fd));
    write_text(dir / "fdinfo" / std::to_string(fd++), "pos:\t0\nflags:\t02\ntty-index:\t" + std::to_string(pty) + "\n");
  }
  fs::create_symlink("socket:[77" + std::to_string(pid) + "]", dir / "fd" / std::to_string(fd));
  fs::create_symlink("/dev/null", dir / "fd" / "0");
  EXPECT_EQ(::chown(dir.c_str(), owner, static_cast<gid_t>(-1)), 0);
}

SandboxTest::SandboxTest()
    : system_(empty_system(dir_ / "system")),
      env_{.home = (dir_ / "home").string(),
           .xdg_config_home = (dir_ / "config").string(),
           .xdg_cache_home = (dir_ / "cache").string(),
           .uid = kTestUid} {}

void write_text(const std::filesystem::path& path, std::string_view text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string read_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::string kitty_conf_of(const themes::ThemeDefinition& def) {
  std::string text = "background " + def.background + "\nforeground " + def.foreground + "\n";
  for (std::size_t i = 0; i < def.colours.size(); ++i) text += "color" + std::to_string(i) + " " + def.colours[i] + "\n";
  return text;
}

std::string complete_kitty_conf() { return kitty_conf_of(themes::find_builtin_theme("catppuccin-mocha")->definition()); }

std::optional<std::filesystem::path> data_dir(std::string_view sub) {
  const char* configured = getenv("TINTWELL_DATA_DIR");
  const std::filesystem::path base = configured ? configured : TINTWELL_DATA_DIR;
  const auto dir = base / sub;
  if (!std::filesystem::is_directory(dir)) return std::nullopt;
  return dir;
}

}  // namespace testing_support
