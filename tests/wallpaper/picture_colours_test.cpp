#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <random>

#include "test_support.hpp"
#include "themes/colour.hpp"
#include "wallpaper/oklab.hpp"
#include "wallpaper/picture_palette.hpp"
#include "wallpaper/picture_pixels.hpp"

namespace {

using themes::Colour;
using wallpaper::Variant;

const std::string kPictures = std::string(TINTWELL_FIXTURES_DIR) + "/pictures/";

// The share of `samples` within a small OKLab distance of `colour`.
double share_near(const std::vector<Colour>& samples, Colour colour) {
  std::size_t near = 0;
  for (const auto& s : samples)
    if (wallpaper::lab_distance(wallpaper::to_oklab(s), wallpaper::to_oklab(colour)) < 0.06) ++near;
  return samples.empty() ? 0 : double(near) / samples.size();
}

TEST(PictureSamples, EveryLayoutOfEveryKindGivesItsColours) {
  const Colour red{0xd0, 0x30, 0x30}, blue{0x30, 0x50, 0xd0};
  // The left half red, the right half blue, in each layout a decoder meets.
  for (const char* name :
       {"split.png", "split-16.png", "split-interlaced.png", "split.jpg", "split-progressive.jpg", "split-cmyk.jpg",
        "split.webp", "split-lossy.webp", "split.bmp", "split-32.bmp", "top-down.bmp"}) {
    SCOPED_TRACE(name);
    auto samples = wallpaper::read_picture_samples(kPictures + name);
    ASSERT_TRUE(samples) << samples.error_text();
    EXPECT_GT(share_near(samples.value(), red), 0.4);
    EXPECT_GT(share_near(samples.value(), blue), 0.4);
  }
  // Grey stays grey, with its two shades; transparent pixels are no colour.
  auto grey = wallpaper::read_picture_samples(kPictures + "split-grey.png");
  ASSERT_TRUE(grey);
  std::set<int> shades;
  for (const auto& c : grey.value()) {
    EXPECT_TRUE(c.red == c.green && c.green == c.blue);
    shades.insert(c.red);
  }
  EXPECT_EQ(shades.size(), 2u);
  auto half = wallpaper::read_picture_samples(kPictures + "half-transparent.png");
  ASSERT_TRUE(half);
  EXPECT_EQ(share_near(half.value(), blue), 1.0);
}

TEST(PictureSamples, HostileFilesEndInOneLine) {
  const struct {
    const char* name;
    const char* says;
  } cases[] = {
      {"truncated.jpg", "Premature end of JPEG file"},
      {"corrupt.png", "IDAT: invalid bit length repeat"},
      {"huge.png", "it claims 65535×65535 pixels, more than 100 million"},
      {"wide.png", "it claims 99000000×1 pixels, a side longer than 65535"},
      {"bad-chunk.webp", "not a valid WebP picture"},
      {"lying.bmp", "the file ends before its pixels do"},
      {"rle.bmp", "only uncompressed 24- and 32-bit BMP pictures are read"},
      {"make-pictures.sh", "not a picture (png, jpg, jpeg, webp or bmp)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto samples = wallpaper::read_picture_samples(kPictures + c.name);
    ASSERT_FALSE(samples);
    EXPECT_EQ(samples.error_text(), "cannot read colours from " + kPictures + c.name + ": " + c.says);
  }
}

// A PNG's image data is inflated in a thread ahead of libpng: over many
// chunks and more than it may run ahead, the colours are the pixels' own;
// a file cut short says so; a large chunk after the pixels does not keep
// the reader waiting for the thread.
TEST(PictureSamples, ALargePngGivesItsPixelsWhicheverWayItEnds) {
  const std::uint32_t width = 640, height = 480;
  std::vector<std::uint8_t> pixels(std::size_t{width} * height * 3);
  std::mt19937 random(11);  // noise, so that the data stays near its raw 900 KB
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i % 3 * 80 + random() % 64);
  wallpaper::Downsampler sampler(width, height, wallpaper::kMaxSamples);
  for (std::uint32_t y = 0; y < height; ++y) sampler.add_row(&pixels[std::size_t{y} * width * 3], 3);
  const std::vector<Colour> expected = sampler.take();

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, nullptr));
  std::string png(size, '\0');
  ASSERT_TRUE(png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr));
  png.resize(size);
  std::string chunk = std::string("\0\x20\0\0prVt", 8) + std::string(0x200000, 'x');
  const auto crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data() + 4), static_cast<uInt>(chunk.size() - 4));
  for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<char>(crc >> shift));
  const std::string trailing = png.substr(0, png.size() - 12) + chunk + png.substr(png.size() - 12);

  const testing_support::TempDir dir;
  for (const auto& [name, bytes] : {std::pair{"whole.png", png}, {"trailing.png", trailing}}) {
    testing_support::write_text(dir / name, bytes);
    EXPECT_EQ(wallpaper::read_picture_samples(dir / name).value(), expected) << name;
  }
  testing_support::write_text(dir / "cut.png", png.substr(0, png.size() / 2));
  EXPECT_EQ(wallpaper::read_picture_samples(dir / "cut.png").error_text(),
            "cannot read colours from " + (dir / "cut.png").string() + ": the file ends before its picture does");
}

TEST(PictureSamples, AnotherKindUnderTheNameIsRefused) {
  const testing_support::TempDir dir;
  const std::string renamed = (dir / "photo.png").string();
  std::filesystem::copy_file(kPictures + "split.jpg", renamed);
  auto samples = wallpaper::read_picture_samples(renamed);
  ASSERT_FALSE(samples);
  EXPECT_EQ(samples.error_text(),
            "cannot read colours from " + renamed + ": not a PNG picture (its content says otherwise)");
}

TEST(Downsampler, BlocksAreAlphaWeightedMeansWithinTheLimit) {
  // 3 by 2 pixels into at most 2 cells: blocks of 2, so a 2 by 1 grid.
  wallpaper::Downsampler sampler(3, 2, 2);
  const std::uint8_t row1[] = {200, 0, 0, 255, 0, 0, 0, 0, 10, 20, 30, 255};
  const std::uint8_t row2[] = {100, 0, 0, 255, 0, 0, 0, 0, 50, 60, 70, 255};
  sampler.add_row(row1);
  sampler.add_row(row2);
  EXPECT_EQ(sampler.take(), (std::vector<Colour>{{150, 0, 0}, {30, 40, 50}}));
}

// ---- The palette, over pictures made here.

using Picture = std::vector<Colour>;

Colour rgb(double r, double g, double b) {
  const auto c = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); };
  return Colour{c(r), c(g), c(b)};
}

std::map<std::string, Picture> pictures() {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> noise(-40, 40);
  std::map<std::string, Picture> out;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 150; ++x) {
      out["gradient"].push_back(rgb(x * 1.7, 60 + y, 255 - x * 1.5));
      // Sky over grass under a sun: a photograph's broad areas, with grain.
      const Colour base =
          y < 45 ? Colour{90, 140, 200} : (x > 110 && y < 20 ? Colour{250, 210, 90} : Colour{70, 120, 40});
      out["photo"].push_back(rgb(base.red + noise(random), base.green + noise(random), base.blue + noise(random)));
      out["night"].push_back(rgb(8 + noise(random) / 8, 10 + noise(random) / 8, 25 + noise(random) / 4));
      out["grey"].push_back(Colour{128, 128, 128});
      out["split"].push_back(x < 75 ? Colour{255, 0, 200} : Colour{0, 230, 80});
      out["no red"].push_back(x < 50 ? Colour{20, 60, 200} : (x < 100 ? Colour{20, 180, 190} : Colour{40, 170, 60}));
    }
  }
  return out;
}

const std::array<Colour, 6> kPure{{{255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}}};

double hue_of(Colour c) { return wallpaper::hue_degrees(wallpaper::to_oklab(c)); }

TEST(PicturePalette, EveryPictureGivesAReadablePaletteThatKeepsTheAnsiHues) {
  std::set<std::string> seen;
  for (const auto& [name, picture] : pictures()) {
    const auto clusters = wallpaper::quantize(picture, 24);
    for (const Variant variant : {Variant::Dark, Variant::Light}) {
      SCOPED_TRACE(name + " " + std::string(wallpaper::variant_name(variant)));
      const auto palette = wallpaper::palette_from_clusters(clusters, variant);
      ASSERT_EQ(palette.colours.size(), 16u);
      ASSERT_TRUE(palette.background && palette.foreground && palette.cursor && palette.selection_background);
      const Colour bg = *palette.background;
      const double lightness = wallpaper::to_oklab(bg).l;
      EXPECT_TRUE(variant == Variant::Dark ? lightness < 0.30 : lightness > 0.85) << lightness;
      EXPECT_GE(themes::contrast_ratio(*palette.foreground, bg), 7.0);
      for (std::size_t i = 1; i < 16; ++i)
        if (i != 8) {
          EXPECT_GE(themes::contrast_ratio(palette.colours[i], bg), 3.0) << "colour " << i;
        }
      EXPECT_GE(themes::contrast_ratio(palette.colours[8], bg), 2.0);
      for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_LE(wallpaper::hue_distance(hue_of(palette.colours[1 + i]), hue_of(kPure[i])), 35.0)
            << "colour " << i + 1;
        for (std::size_t j = i + 1; j < 6; ++j)
          EXPECT_GE(wallpaper::lab_distance(wallpaper::to_oklab(palette.colours[1 + i]),
                                            wallpaper::to_oklab(palette.colours[1 + j])),
                    0.08)
              << "colours " << i + 1 << " and " << j + 1;
      }
      seen.insert(wallpaper::palette_lines(palette));
    }
  }
  EXPECT_EQ(seen.size(), 12u);  // no two pictures, or variants, alike
}

TEST(PicturePalette, TheBackgroundFollowsTheDominantHue) {
  for (const Colour dominant : {Colour{200, 40, 40}, Colour{40, 160, 60}, Colour{50, 70, 220}, Colour{220, 180, 40}}) {
    Picture picture(7000, dominant);
    picture.resize(10000, Colour{240, 240, 240});
    const auto clusters = wallpaper::quantize(picture, 24);
    for (const Variant variant : {Variant::Dark, Variant::Light}) {
      const auto palette = wallpaper::palette_from_clusters(clusters, variant);
      EXPECT_LE(wallpaper::hue_distance(hue_of(*palette.background), hue_of(dominant)), 12.0)
          << themes::format_hex_colour(dominant) << " " << wallpaper::variant_name(variant);
    }
  }
  // The variant nearer the picture's lightness comes first.
  EXPECT_EQ(wallpaper::nearer_variant(wallpaper::quantize(pictures()["night"], 24)), Variant::Dark);
  EXPECT_EQ(wallpaper::nearer_variant(wallpaper::quantize(Picture(100, Colour{235, 230, 220}), 24)), Variant::Light);
}

TEST(PicturePalette, ThemeNamesFromFileNames) {
  const std::pair<std::string, std::string> cases[] = {
      {"Mountain Lake.jpg", "wallpaper-mountain-lake-dark"},
      {"a__b--c .PNG", "wallpaper-a-b-c-dark"},
      {".jpg", "wallpaper-.jpg-dark"},
      {"\x01\x7f.png", "wallpaper-picture-dark"},
      {"caf\xc3\xa9\xc2\x85x.webp", "wallpaper-caf\xc3\xa9-x-dark"},
  };
  for (const auto& [file, name] : cases) EXPECT_EQ(wallpaper::wallpaper_theme_name(file, Variant::Dark), name) << file;
  EXPECT_EQ(wallpaper::wallpaper_theme_name("x.jpg", Variant::Light), "wallpaper-x-light");
}

}  // namespace
