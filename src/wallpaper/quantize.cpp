#include "wallpaper/quantize.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>

namespace wallpaper {
namespace {

// Wu's quantizer (Graphics Gems II, "Efficient Statistical Computations
// for Optimal Color Quantization"): cumulative moments over a 33³ grid,
// then the box of largest variance is split where the two halves' summed
// variance is least, until there are enough boxes.
constexpr int kSide = 33;
constexpr std::size_t kCells = kSide * kSide * kSide;

struct Moments {
  std::vector<std::int64_t> weight = std::vector<std::int64_t>(kCells);
  std::array<std::vector<std::int64_t>, 3> channel{std::vector<std::int64_t>(kCells), std::vector<std::int64_t>(kCells),
                                                   std::vector<std::int64_t>(kCells)};
  std::vector<double> square = std::vector<double>(kCells);
};

std::size_t cell(int r, int g, int b) { return (static_cast<std::size_t>(r) * kSide + g) * kSide + b; }

struct Box {
  std::array<int, 3> low{0, 0, 0};  ///< exclusive
  std::array<int, 3> high{kSide - 1, kSide - 1, kSide - 1};
  int volume() const { return (high[0] - low[0]) * (high[1] - low[1]) * (high[2] - low[2]); }
};

// The sum of `m` over the face of `box` at `position` along `axis`: the
// four corners of the other two axes, signed as inclusion-exclusion wants.
template <class T>
T face(const std::vector<T>& m, const Box& box, int axis, int position) {
  const int u = (axis + 1) % 3, v = (axis + 2) % 3;
  T sum = 0;
  for (int cu = 0; cu < 2; ++cu) {
    for (int cv = 0; cv < 2; ++cv) {
      std::array<int, 3> at{};
      at[axis] = position;
      at[u] = cu ? box.high[u] : box.low[u];
      at[v] = cv ? box.high[v] : box.low[v];
      const T value = m[cell(at[0], at[1], at[2])];
      sum += (cu == cv) ? value : -value;
    }
  }
  return sum;
}

template <class T>
T volume(const std::vector<T>& m, const Box& box) {
  return face(m, box, 0, box.high[0]) - face(m, box, 0, box.low[0]);
}

Moments cumulative_moments(const std::vector<themes::Colour>& colours) {
  Moments m;
  for (const auto& c : colours) {
    const std::size_t i = cell((c.red >> 3) + 1, (c.green >> 3) + 1, (c.blue >> 3) + 1);
    m.weight[i] += 1;
    m.channel[0][i] += c.red;
    m.channel[1][i] += c.green;
    m.channel[2][i] += c.blue;
    m.square[i] += double(c.red) * c.red + double(c.green) * c.green + double(c.blue) * c.blue;
  }
  // Prefix sums along each axis in turn.
  const auto accumulate = [](auto& values) {
    for (int r = 0; r < kSide; ++r)
      for (int g = 0; g < kSide; ++g)
        for (int b = 0; b < kSide; ++b) {
          auto& x = values[cell(r, g, b)];
          if (b > 0) x += values[cell(r, g, b - 1)];
        }
    for (int r = 0; r < kSide; ++r)
      for (int g = 1; g < kSide; ++g)
        for (int b = 0; b < kSide; ++b) values[cell(r, g, b)] += values[cell(r, g - 1, b)];
    for (int r = 1; r < kSide; ++r)
      for (int g = 0; g < kSide; ++g)
        for (int b = 0; b < kSide; ++b) values[cell(r, g, b)] += values[cell(r - 1, g, b)];
  };
  accumulate(m.weight);
  for (auto& channel : m.channel) accumulate(channel);
  accumulate(m.square);
  return m;
}

double variance(const Moments& m, const Box& box) {
  const auto w = static_cast<double>(volume(m.weight, box));
  if (w <= 0) return 0;
  double norm = 0;
  for (const auto& channel : m.channel) {
    const auto s = static_cast<double>(volume(channel, box));
    norm += s * s;
  }
  return volume(m.square, box) - norm / w;
}

// Where along `axis` to cut `box` so that the two halves' sums of squared
// means are largest (their variance least); -1 when no cut has both
// halves populated.
std::pair<int, double> best_cut(const Moments& m, const Box& box, int axis) {
  std::array<double, 3> whole{};
  for (int c = 0; c < 3; ++c) whole[c] = static_cast<double>(volume(m.channel[c], box));
  const auto whole_weight = static_cast<double>(volume(m.weight, box));
  std::array<double, 3> base{};
  for (int c = 0; c < 3; ++c) base[c] = -static_cast<double>(face(m.channel[c], box, axis, box.low[axis]));
  const double base_weight = -static_cast<double>(face(m.weight, box, axis, box.low[axis]));
  int cut = -1;
  double best = 0;
  for (int position = box.low[axis] + 1; position < box.high[axis]; ++position) {
    const double half_weight = base_weight + static_cast<double>(face(m.weight, box, axis, position));
    const double other_weight = whole_weight - half_weight;
    if (half_weight <= 0 || other_weight <= 0) continue;
    double score = 0, other = 0;
    for (int c = 0; c < 3; ++c) {
      const double half = base[c] + static_cast<double>(face(m.channel[c], box, axis, position));
      score += half * half;
      other += (whole[c] - half) * (whole[c] - half);
    }
    score = score / half_weight + other / other_weight;
    if (score > best) {
      best = score;
      cut = position;
    }
  }
  return {cut, best};
}

bool split(const Moments& m, Box& one, Box& two) {
  int axis = -1, position = -1;
  double best = 0;
  for (int a = 0; a < 3; ++a) {
    const auto [cut, score] = best_cut(m, one, a);
    if (cut >= 0 && score > best) {
      best = score;
      axis = a;
      position = cut;
    }
  }
  if (axis < 0) return false;
  two = one;
  one.high[axis] = position;
  two.low[axis] = position;
  return true;
}

std::vector<Lab> wu_centres(const std::vector<themes::Colour>& colours, std::size_t count) {
  const Moments m = cumulative_moments(colours);
  std::vector<Box> boxes(1);
  std::vector<double> spread{variance(m, boxes[0])};
  while (boxes.size() < count) {
    const auto widest = static_cast<std::size_t>(std::max_element(spread.begin(), spread.end()) - spread.begin());
    if (spread[widest] <= 0) break;
    Box two;
    if (!split(m, boxes[widest], two)) {
      spread[widest] = 0;
      continue;
    }
    boxes.push_back(two);
    spread[widest] = boxes[widest].volume() > 1 ? variance(m, boxes[widest]) : 0;
    spread.push_back(two.volume() > 1 ? variance(m, two) : 0);
  }
  std::vector<Lab> centres;
  for (const auto& box : boxes) {
    const auto w = volume(m.weight, box);
    if (w <= 0) continue;
    const auto mean = [&](int c) { return static_cast<std::uint8_t>((volume(m.channel[c], box) + w / 2) / w); };
    centres.push_back(to_oklab(themes::Colour{mean(0), mean(1), mean(2)}));
  }
  return centres;
}

}  // namespace

std::vector<Cluster> quantize(const std::vector<themes::Colour>& colours, std::size_t count) {
  if (colours.empty() || count == 0) return {};
  std::vector<Lab> centres = wu_centres(colours, count);
  // The distinct colours with how often each occurs, in OKLab.
  std::map<std::uint32_t, std::uint32_t> counts;
  for (const auto& c : colours) ++counts[(std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue];
  std::vector<std::pair<Lab, double>> points;
  points.reserve(counts.size());
  for (const auto& [rgb, n] : counts)
    points.emplace_back(to_oklab(themes::Colour{static_cast<std::uint8_t>(rgb >> 16),
                                                static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)}),
                        n);
  std::vector<std::size_t> owner(points.size(), centres.size());
  std::vector<double> weight(centres.size());
  constexpr int kRounds = 8;
  for (int round = 0; round < kRounds; ++round) {
    bool moved = false;
    for (std::size_t p = 0; p < points.size(); ++p) {
      std::size_t nearest = 0;
      double nearest_distance = 1e9;
      for (std::size_t k = 0; k < centres.size(); ++k) {
        const Lab& x = points[p].first;
        const double d = (x.l - centres[k].l) * (x.l - centres[k].l) + (x.a - centres[k].a) * (x.a - centres[k].a) +
                         (x.b - centres[k].b) * (x.b - centres[k].b);
        if (d < nearest_distance) {
          nearest_distance = d;
          nearest = k;
        }
      }
      moved |= owner[p] != nearest;
      owner[p] = nearest;
    }
    std::vector<Lab> sums(centres.size());
    std::fill(weight.begin(), weight.end(), 0);
    for (std::size_t p = 0; p < points.size(); ++p) {
      const auto& [lab, n] = points[p];
      Lab& s = sums[owner[p]];
      s.l += lab.l * n;
      s.a += lab.a * n;
      s.b += lab.b * n;
      weight[owner[p]] += n;
    }
    for (std::size_t k = 0; k < centres.size(); ++k)
      if (weight[k] > 0) centres[k] = Lab{sums[k].l / weight[k], sums[k].a / weight[k], sums[k].b / weight[k]};
    if (!moved) break;
  }
  std::vector<Cluster> clusters;
  for (std::size_t k = 0; k < centres.size(); ++k)
    if (weight[k] > 0) clusters.push_back(Cluster{centres[k], weight[k] / static_cast<double>(colours.size())});
  std::stable_sort(clusters.begin(), clusters.end(),
                   [](const Cluster& x, const Cluster& y) { return x.population > y.population; });
  return clusters;
}

}  // namespace wallpaper
