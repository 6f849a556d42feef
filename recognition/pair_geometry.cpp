#include "recognition/pair_geometry.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>

namespace recognition {
namespace {

// Ratios (in thousandths) at which the whole-degree arctangent steps up by one; it starts
// at 1 for ratio 0 and reaches 45 at ratio 987.
constexpr std::array<int, 44> kDegreeSteps = {
    28,  46,  64,  83,  102, 121, 141, 160, 180, 201, 221, 242, 263, 284, 305,
    327, 349, 371, 393, 415, 438, 461, 483, 507, 530, 553, 577, 600, 624, 648,
    672, 696, 720, 744, 769, 793, 817, 842, 866, 891, 916, 940, 965, 987};

constexpr int kRatioScale = 1000;

constexpr std::array<std::uint8_t, kRatioScale + 1> make_degree_table() {
  std::array<std::uint8_t, kRatioScale + 1> table{};
  int degrees = 1;
  std::size_t step = 0;
  for (int k = 0; k <= kRatioScale; ++k) {
    if (step < kDegreeSteps.size() && k == kDegreeSteps[step]) {
      ++degrees;
      ++step;
    }
    table[k] = static_cast<std::uint8_t>(degrees);
  }
  return table;
}

constexpr std::array<std::uint8_t, kRatioScale + 1> kDegreeTable = make_degree_table();

// Ratios are never above 1000 here: the smaller side is always divided by the larger.
int degrees_of_ratio(std::int64_t numerator, std::int64_t denominator) {
  return kDegreeTable[static_cast<std::size_t>(numerator * kRatioScale / denominator)];
}

// The arctangent for a >= 0: 0..179.
int half_plane_arctangent(std::int64_t a, std::int64_t b) {
  if (b > 0) return a <= b ? degrees_of_ratio(a, b) : 90 - degrees_of_ratio(b, a);
  if (b == 0) return a > 0 ? 90 : 0;
  return a > -b ? 90 + degrees_of_ratio(-b, a) : 180 - degrees_of_ratio(a, -b);
}

// The products of the angle are 32-bit on the devices' hosts; large coordinates from an FP
// code wrap the same way here instead of overflowing.
std::int32_t wrap32(std::int64_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

int arctangent(std::int64_t a, std::int64_t b) {
  return a > 0 ? half_plane_arctangent(a, b) : -half_plane_arctangent(-a, b);
}

int distance(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by) {
  const std::int64_t dx = std::abs(static_cast<std::int16_t>(ax - bx));
  const std::int64_t dy = std::abs(static_cast<std::int16_t>(ay - by));
  return static_cast<int>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
}

int distance(const Minutia& a, const Minutia& b) { return distance(a.x, a.y, b.x, b.y); }

int angle(const Minutia& a, const Minutia& c) {
  const std::int64_t ux = wrap32(static_cast<std::int64_t>(a.x2) - a.x);
  const std::int64_t uy = wrap32(static_cast<std::int64_t>(a.y2) - a.y);
  const std::int64_t vx = wrap32(static_cast<std::int64_t>(c.x) - a.x);
  const std::int64_t vy = wrap32(static_cast<std::int64_t>(c.y) - a.y);
  const int t = arctangent(wrap32(ux * vy - uy * vx), wrap32(ux * vx + uy * vy));
  return t < 0 ? -t : 360 - t;
}

namespace {

// Counts over positions 0..size-1 (a Fenwick tree): how many are taken below a position,
// and the k-th taken one, each in log(size) steps; for the places of a queue.
class PositionCounts {
 public:
  void reset_all_taken(int size) {
    size_ = size;
    tree_.assign(static_cast<std::size_t>(size) + 1, 0);
    for (int i = 1; i <= size; ++i) tree_[static_cast<std::size_t>(i)] = i & -i;
    top_bit_ = 1;
    while (top_bit_ * 2 <= size) top_bit_ *= 2;
  }
  void remove(int position) {
    for (int i = position + 1; i <= size_; i += i & -i) --tree_[static_cast<std::size_t>(i)];
  }
  // The taken position with k taken ones below it.
  int kth(int k) const {
    int position = 0;
    for (int bit = top_bit_; bit > 0; bit /= 2) {
      const int next = position + bit;
      if (next <= size_ && tree_[static_cast<std::size_t>(next)] <= k) {
        position = next;
        k -= tree_[static_cast<std::size_t>(next)];
      }
    }
    return position;
  }

 private:
  int size_ = 0;
  int top_bit_ = 1;
  std::vector<int> tree_;
};

// A set of positions as bits, with the counts of its 64-bit words in a Fenwick tree:
// adding, counting below a position and finding the k-th one take log(n / 64) steps.
class PositionBits {
 public:
  void reset(int size) {
    words_.assign((static_cast<std::size_t>(size) + 63) / 64, 0);
    word_counts_.assign(words_.size() + 1, 0);
    top_bit_ = 1;
    while (top_bit_ * 2 <= words_.size()) top_bit_ *= 2;
  }
  void add(int position) {
    words_[word(position)] |= std::uint64_t{1} << (position % 64);
    for (std::size_t i = word(position) + 1; i < word_counts_.size(); i += i & (~i + 1))
      ++word_counts_[i];
  }
  int below(int position) const {
    int count = 0;
    for (std::size_t i = word(position); i > 0; i -= i & (~i + 1)) count += word_counts_[i];
    const std::uint64_t low = (std::uint64_t{1} << (position % 64)) - 1;
    return count + std::popcount(words_[word(position)] & low);
  }
  // The position with k positions of the set below it; it exists.
  int kth(int k) const {
    std::size_t w = 0;  // words wholly below the one that holds it
    for (std::size_t bit = top_bit_; bit > 0; bit /= 2) {
      const std::size_t next = w + bit;
      if (next < word_counts_.size() && word_counts_[next] <= k) {
        w = next;
        k -= word_counts_[next];
      }
    }
    std::uint64_t bits = words_[w];
    for (; k > 0; --k) bits &= bits - 1;
    return static_cast<int>(w * 64) + std::countr_zero(bits);
  }
  // The first position of the set after `position`; it exists.
  int next_after(int position) const {
    std::size_t w = word(position + 1);
    std::uint64_t bits = words_[w] & (~std::uint64_t{0} << ((position + 1) % 64));
    while (bits == 0) bits = words_[++w];
    return static_cast<int>(w * 64) + std::countr_zero(bits);
  }

 private:
  static std::size_t word(int position) { return static_cast<std::size_t>(position) / 64; }
  std::vector<std::uint64_t> words_;
  std::vector<int> word_counts_;
  std::size_t top_bit_ = 1;
};

}  // namespace

// The exchange sort held the entry at p aside and swapped it with every later entry of a
// strictly smaller distance. All entries of the smallest distance keep their order; an
// entry of a larger distance d moves only while entries of smaller distances are still
// being taken out, and then only the foremost entry of distance d at or after p moves, to
// the place of the first smaller entry after p. Those places are the original positions of
// the smaller entries, in order, so the order of each distance's entries follows from
// where the smaller ones stood, a group at a time, without replaying the swaps:
//  - the step that takes out the t-th smaller entry (from position s_t) moves the foremost
//    entry of distance d to s_t once one lies before s_t; from then on every step moves
//    one: the foremost of the entries still at their own positions and of those already
//    moved, which wait in a queue at s_{t-b} .. s_{t-1};
//  - between two entries leaving their own positions the queue only turns, so each turn
//    is one step of an index, and the entries joining it are placed by counting free
//    places backwards.
// The sort with the exchange itself costs n^2 comparisons per node, n^3 per image.
class ExchangeOrder {
 public:
  void sort(PairRelation* relations, int count) {
    if (count < 2) return;
    original_.assign(relations, relations + count);
    order_by_distance(count);
    smaller_.reset(count);
    int out = 0;
    for (int first = 0; first < count;) {
      int end = first + 1;
      while (end < count && distance_at(end) == distance_at(first)) ++end;
      order_group(first, end, relations + out);
      out += end - first;
      for (int i = first; i < end; ++i) smaller_.add(by_distance_[static_cast<std::size_t>(i)]);
      first = end;
    }
  }

 private:
  std::int16_t distance_at(int sorted_index) const {
    return original_[static_cast<std::size_t>(by_distance_[static_cast<std::size_t>(sorted_index)])]
        .distance;
  }

  // by_distance_: the indices by distance, equal distances by position. Two stable
  // counting passes over the bytes of the 16-bit distance: linear whatever the distances
  // are, as a code from outside may make them.
  void order_by_distance(int count) {
    auto key = [this](int index) {
      return static_cast<std::uint16_t>(
          static_cast<std::uint16_t>(original_[static_cast<std::size_t>(index)].distance) ^
          0x8000u);  // signed order
    };
    by_distance_.resize(static_cast<std::size_t>(count));
    pass_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) pass_[static_cast<std::size_t>(i)] = i;
    for (const int shift : {0, 8}) {
      std::array<int, 257> starts{};
      for (const int index : pass_) ++starts[((key(index) >> shift) & 0xFFu) + 1];
      for (std::size_t d = 1; d < starts.size(); ++d) starts[d] += starts[d - 1];
      for (const int index : pass_)
        by_distance_[static_cast<std::size_t>(starts[(key(index) >> shift) & 0xFFu]++)] = index;
      if (shift == 0) pass_.swap(by_distance_);
    }
  }

  // Writes the entries by_distance_[first, end), one distance, in the order the exchange
  // sort leaves them; the `first` smaller entries are counted in smaller_.
  void order_group(int first, int end, PairRelation* out) {
    const int* own = by_distance_.data() + first;  // their positions, ascending
    const int size = end - first;
    const int taken = first;  // smaller entries, one step each
    if (size == 1 || taken == 0) {
      for (int k = 0; k < size; ++k) out[k] = original_[static_cast<std::size_t>(own[k])];
      return;
    }
    int step = 0;
    int queued = 0;
    int front = 0;  // where the queue's front is in joined_at_'s numbering
    int left_own = 0;
    joined_at_.clear();
    while (left_own < size) {
      const int leaves = std::max(step, smaller_.below(own[left_own]) + queued);
      if (leaves >= taken) break;
      if (queued > 0) front = (front + (leaves - step)) % queued;
      joined_at_.push_back(front);
      ++front;
      ++queued;
      ++left_own;
      step = leaves + 1;
    }
    if (queued > 0) front = (front + (taken - step)) % queued;

    // Entry k joined the queue at index joined_at_[k] of the queue as it then was; the
    // later ones are inserted before it, so backwards each takes the free place it names.
    queue_.assign(static_cast<std::size_t>(queued), 0);
    free_places_.reset_all_taken(queued);
    for (int k = queued - 1; k >= 0; --k) {
      const int place = free_places_.kth(joined_at_[static_cast<std::size_t>(k)]);
      free_places_.remove(place);
      queue_[static_cast<std::size_t>(place)] = own[k];
    }
    // The queue sits at the positions of the last `queued` smaller entries, front first;
    // the entries that never moved keep theirs. Both are in position order: merge them.
    int from_queue = 0;
    int queue_position = queued > 0 ? smaller_.kth(taken - queued) : 0;
    for (int written = 0; written < size; ++written) {
      const bool take_queue =
          from_queue < queued && (left_own == size || queue_position < own[left_own]);
      int index = 0;
      if (take_queue) {
        index = queue_[static_cast<std::size_t>((front + from_queue) % queued)];
        ++from_queue;
        if (from_queue < queued) queue_position = smaller_.next_after(queue_position);
      } else {
        index = own[left_own++];
      }
      out[written] = original_[static_cast<std::size_t>(index)];
    }
  }

  std::vector<PairRelation> original_;
  std::vector<int> by_distance_;  // indices, by distance, ties by position
  std::vector<int> pass_;         // the counting sort's first pass
  PositionBits smaller_;          // positions of the entries of smaller distances
  PositionCounts free_places_;
  std::vector<int> joined_at_;
  std::vector<int> queue_;
};

void exchange_sort_by_distance(PairRelation* relations, int count) {
  ExchangeOrder().sort(relations, count);
}

NodeList build_relations(const Minutia* minutiae, int count, bool kindless) {
  NodeList list;
  const int per_node = count > 0 ? count - 1 : 0;
  list.nodes.resize(static_cast<std::size_t>(count));
  list.relations.resize(static_cast<std::size_t>(count) * per_node);
  auto own = [&list, per_node](int i) {
    return list.relations.data() + static_cast<std::size_t>(i) * per_node;
  };
  // Each pair is measured once for both of its nodes: node i keeps the other nodes in their
  // order, skipping itself, before its list is sorted.
  for (int i = 0; i < count; ++i) {
    for (int j = i + 1; j < count; ++j) {
      const auto d = static_cast<std::int16_t>(distance(minutiae[i], minutiae[j]));
      const auto at_i = static_cast<std::int16_t>(angle(minutiae[i], minutiae[j]));
      const auto at_j = static_cast<std::int16_t>(angle(minutiae[j], minutiae[i]));
      own(i)[j - 1] = PairRelation{d, at_i, at_j, static_cast<std::uint16_t>(j)};
      own(j)[i] = PairRelation{d, at_j, at_i, static_cast<std::uint16_t>(i)};
    }
  }
  ExchangeOrder order;
  for (int i = 0; i < count; ++i) {
    order.sort(own(i), per_node);
    list.nodes[static_cast<std::size_t>(i)] =
        MinutiaNode{&minutiae[i], own(i), static_cast<std::int16_t>(per_node), kindless};
  }
  return list;
}

}  // namespace recognition
