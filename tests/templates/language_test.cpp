#include "templates/language.hpp"

#include <gtest/gtest.h>

#include "templates/manifest.hpp"

namespace {

using templates::render_template;

templates::TemplateValues values(bool dark = true) {
  templates::TemplateValues v;
  v.name = "My Theme";
  v.dark = dark;
  for (const auto name : templates::kColourNames) v.colours[std::string(name)] = themes::Colour{0x10, 0x20, 0x30};
  v.colours["accent"] = themes::Colour{0xff, 0x80, 0x00};
  v.colours["foreground"] = themes::Colour{0xee, 0xee, 0xee};
  return v;
}

TEST(TemplateLanguage, EveryFilterNameAndBranch) {
  const struct {
    std::string text;
    std::string out;
    bool dark = true;
  } cases[] = {
      {"plain {text} } { % kept", "plain {text} } { % kept"},
      {"{{accent}} {{ accent | hex }} {{color15}}", "#ff8000 #ff8000 #102030"},
      {"{{ accent|strip }}", "ff8000"}, {"{{ accent | rgb }}", "rgb(255, 128, 0)"},
      {"{{ accent | rgba(0.5) }}", "rgba(255, 128, 0, 0.5)"},
      {"{{ accent | hexa(0.5) }} {{ accent | ahex(1) }}", "#ff800080 #ffff8000"},
      {"{{ accent | red }},{{ accent | green }},{{ accent | blue }}", "255,128,0"},
      {"{{ accent | lighten(50) }} {{ accent | darken(50) }}", "#ffc080 #804000"},
      {"{{ accent | mix(foreground, 100) }} {{ accent | darken(100) | lighten(0) | strip }}", "#eeeeee 000000"},
      {"{{ name }} is {{ mode }}", "My Theme is dark"}, {"{{ mode }}", "light", false},
      {R"(\{{ accent }} \{% if %} \{x)", "{{ accent }} {% if %} \\{x"},
      {"{% if dark %}D{% else %}L{% endif %}|{% if light %}l{% endif %}", "D|"},
      {"{% if dark %}D{% else %}L{% endif %}|{% if light %}l{% endif %}", "L|l", false},
      {"{% if dark %}{% if light %}no{% else %}{{ accent | strip }}{% endif %}{% endif %}", "ff8000"},
  };
  for (const auto& c : cases) EXPECT_EQ(render_template("t", c.text, values(c.dark)).value(), c.out) << c.text;
}

TEST(TemplateLanguage, ErrorsSayWhereAndWhat) {
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"ok\n  {{ colr1 }}", "t:2:3: unknown name 'colr1' (did you mean color1, color0, color10?)"},
      {"é {{ accent | lighter(5) }}", "t:1:3: unknown filter 'lighter' (did you mean lighten?)"},
      {"{{ accent", "t:1:1: unclosed '{{'"}, {"x {% endif %}", "t:1:3: 'endif' without 'if'"},
      {"{% else %}", "t:1:1: 'else' without 'if'"}, {"a\n{% if dark %}\nb", "t:2:1: 'if' without 'endif'"},
      {"{% if dusk %}{% endif %}", "t:1:1: expected 'if dark' or 'if light'"},
      {"{{ accent | lighten }}", "t:1:1: lighten needs 1 argument"},
      {"{{ accent | mix(base) }}", "t:1:1: mix needs 2 arguments"},
      {"{{ accent | hex(1) }}", "t:1:1: hex takes 0 arguments"}, {"{{ }}", "t:1:1: empty placeholder"},
      {"{{ accent | lighten(150) }}", "t:1:1: lighten: 150 is out of range (0 to 100)"},
      {"{{ accent | hexa(2) }}", "t:1:1: hexa: 2 is out of range (0 to 1)"},
      {"{{ accent | mix(nope, 5) }}", "t:1:1: unknown colour 'nope'"},
      {"{{ name | hex }}", "t:1:1: 'name' is text: filters take colours"},
      {"{{ accent | hex | lighten(5) }}", "t:1:1: 'lighten' after a text filter: it must come last"},
  };
  for (const auto& c : cases) EXPECT_EQ(render_template("t", c.text, values()).error_text(), c.error) << c.text;
  std::string deep;
  for (int i = 0; i < templates::kMaxNesting + 1; ++i) deep += "{% if dark %}";
  EXPECT_EQ(render_template("t", deep, values()).error_text(), "t:1:105: more than 8 nested ifs");
}

TEST(TemplateManifest, WhatItTakesAndWhatItRefuses) {
  auto specs = templates::parse_manifest(
      "# mine\n[[template]]\nsource = \"rofi.rasi\"\ntarget = \"~/.config/rofi/tw.rasi\"\nreload = [\"pkill\", \"-USR2\", "
      "\"waybar\"]\n\n[[template]]\nsource = \"builtin:tmux\"\n",
      "templates.toml");
  ASSERT_TRUE(specs.ok()) << specs.error_text();
  EXPECT_EQ(specs.value(), (std::vector<templates::TemplateSpec>{
                               {"rofi.rasi", "~/.config/rofi/tw.rasi", {"pkill", "-USR2", "waybar"}},
                               {"builtin:tmux", "~/.config/tmux/tintwell.conf", {}}}));
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"[[template]]\nsource = \"a\"\ntraget = \"/x\"\n", "m:3:1: unknown key 'traget' (a template has source, target and reload)"},
      {"[[template]]\ntarget = \"/x\"\n", "m:1:1: a template needs a source"},
      {"[[template]]\nsource = \"a\"\ntarget = \"x/y\"\n", "m:1:1: target 'x/y' must be absolute or start with ~/"},
      {"[[template]]\nsource = \"a\"\n", "m:1:1: a template needs a target (only a shipped one has its own)"},
      {"[[template]]\nsource = \"builtin:tmx\"\n", "m:1:1: no shipped template 'builtin:tmx' (did you mean builtin:tmux?)"},
      {"[[template]]\nsource = 1\n", "m:2:1: source must be a string"},
      {"[[template]]\nsource = \"a\"\ntarget = \"/x\"\nreload = \"make\"\n",
       "m:4:1: reload must be a list of strings: the program and its arguments"},
      {"templates = 1\n", "m:1:1: unknown key 'templates'"},
      {"[[template]\n", "m:1:12: Error while parsing table header: expected ']', saw '\\n'"},
  };
  for (const auto& c : cases) EXPECT_EQ(templates::parse_manifest(c.text, "m").error_text(), c.error) << c.text;
  std::string many;
  for (std::size_t i = 0; i <= templates::kMaxTemplates; ++i) many += "[[template]]\nsource = \"builtin:tmux\"\n";
  EXPECT_EQ(templates::parse_manifest(many, "m").error_text(), "m:513:1: more than 256 templates");
}

}  // namespace
