#include "recognition/matcher.h"

#include <algorithm>
#include <cstdlib>

#include "ProcTemp.h"

namespace recognition {
namespace {

// Two relations agree when distance and both angles each differ by at most this much
// (plain differences: angles of 359 and 2 do not agree).
constexpr int kDistanceTolerance = 9;
constexpr int kAngleHereTolerance = 9;
constexpr int kAngleThereTolerance = 9;
// A row joined on three agreeing relations or fewer would be chance.
constexpr int kMinAgreement = 4;
constexpr int kMinRowsForTemplate = template_format::kRecordCount;
constexpr int kMinColumnsForChoice = 2;

bool relations_agree(const PairRelation& p, const PairRelation& q) {
  return std::abs(p.angle_here - q.angle_here) <= kAngleHereTolerance &&
         std::abs(p.angle_there - q.angle_there) <= kAngleThereTolerance;
}

std::int16_t to_int16(int value) { return static_cast<std::int16_t>(value); }

}  // namespace

bool TemplateMatcher::joins(const MinutiaNode& q, const MinutiaNode& p) const {
  if (q.minutia->kind != p.minutia->kind && !q.kindless && !p.kindless) return false;
  const int m = std::min(q.relation_count, p.relation_count);
  if (m == 0) return false;
  // Smallest number of agreeing relations with more than three and more than the threshold
  // in percent of m (the percentage is truncated before it is compared).
  const int needed = std::max(kMinAgreement, ((match_threshold_ + 1) * m + 99) / 100);
  // Both lists are sorted by distance: the window of p's relations close enough in
  // distance to q's relation only moves forward.
  const PairRelation* window = p.relations;
  const PairRelation* const p_end = p.relations + p.relation_count;
  int agreeing = 0;
  for (int i = 0; i < q.relation_count; ++i) {
    if (agreeing + (q.relation_count - i) < needed) return false;
    const PairRelation& r = q.relations[i];
    while (window != p_end && window->distance < r.distance - kDistanceTolerance) ++window;
    for (const PairRelation* candidate = window;
         candidate != p_end && candidate->distance <= r.distance + kDistanceTolerance;
         ++candidate) {
      if (relations_agree(*candidate, r)) {
        ++agreeing;
        break;
      }
    }
  }
  return agreeing >= needed;
}

int TemplateMatcher::find_row(const MinutiaNode& p) const {
  for (std::size_t r = 0; r < rows_; ++r) {
    for (std::size_t c = 0; c < column_count_; ++c) {
      const MinutiaNode* q = cell(r, c);
      if (q != nullptr && joins(*q, p)) return static_cast<int>(r);
    }
  }
  return -1;
}

std::int16_t TemplateMatcher::run(const NodeList& list, MatchMode mode) {
  if (mode == MatchMode::kExtractOnly) return 0;
  const std::size_t count = list.nodes.size();
  row_work_.resize(row_work_.size() + count);
  row_occurrences_.resize(row_work_.size());
  if (!has_table_) {
    has_table_ = true;
    rows_ = count;
    std::vector<const MinutiaNode*>& column = new_column(count);
    for (std::size_t i = 0; i < count; ++i) column[i] = &list.nodes[i];
    return 0;
  }
  for (std::size_t i = 0; i < count; ++i) row_work_[i] = find_row(list.nodes[i]);
  add_column(list);
  switch (mode) {
    case MatchMode::kEnrol:
      if (!select12()) return 0;
      build_template();
      return 1;
    case MatchMode::kCompare:
      return score();
    default:
      return 0;
  }
}

std::vector<const MinutiaNode*>& TemplateMatcher::new_column(std::size_t rows) {
  if (column_count_ == columns_.size()) columns_.emplace_back();
  std::vector<const MinutiaNode*>& column = columns_[column_count_];
  column.assign(rows, nullptr);
  ++column_count_;
  return column;
}

void TemplateMatcher::add_column(const NodeList& list) {
  const std::size_t count = list.nodes.size();
  std::size_t next_new_row = rows_;
  rows_ += static_cast<std::size_t>(
      std::count(row_work_.begin(), row_work_.begin() + static_cast<std::ptrdiff_t>(count), -1));
  std::vector<const MinutiaNode*>& column = new_column(rows_);
  for (std::size_t i = 0; i < count; ++i) {
    // A later node of the same image that joined the same row replaces the earlier one.
    const std::size_t row =
        row_work_[i] >= 0 ? static_cast<std::size_t>(row_work_[i]) : next_new_row++;
    column[row] = &list.nodes[i];
  }
}

bool TemplateMatcher::coexists(std::size_t row) const {
  if (column_count_ == 0) return false;
  for (std::size_t other = 0; other < rows_; ++other) {
    if (other == row || !chosen_[other]) continue;
    bool together = false;
    for (std::size_t c = 0; c < column_count_ && !together; ++c) {
      together = cell(row, c) != nullptr && cell(other, c) != nullptr;
    }
    if (!together) return false;
  }
  return true;
}

bool TemplateMatcher::select12() {
  const int columns = static_cast<int>(column_count_);
  chosen_.assign(rows_, false);
  for (std::size_t r = 0; r < rows_; ++r) {
    int occupied = 0;
    for (int c = 0; c < columns; ++c)
      occupied += cell(r, static_cast<std::size_t>(c)) != nullptr ? 1 : 0;
    row_occurrences_[r] = occupied;
    row_work_[r] = 0;
  }
  int chosen = 0;
  for (int k = columns; k >= kMinColumnsForChoice; --k) {
    for (std::size_t r = 0; r < rows_; ++r) {
      if (row_occurrences_[r] != k || !coexists(r)) continue;
      row_work_[r] = k * 100 / columns;
      // Chosen is kept apart from the percentage: beyond 200 images a row seen twice has
      // 0 percent, and must still count as chosen.
      chosen_[r] = true;
      if (++chosen == kMinRowsForTemplate) return true;
    }
  }
  return false;
}

void TemplateMatcher::build_template() {
  std::uint8_t* body = template_bytes_.data() + template_format::kHeaderSize;
  int length = 0;
  auto append16 = [&](std::int16_t value) {
    byte_order::store_le16(body + length, static_cast<std::uint16_t>(value));
    length += 2;
  };
  for (std::size_t r = 0; r < rows_; ++r) {
    if (!chosen_[r]) continue;
    const MinutiaNode* first = nullptr;
    for (std::size_t c = 0; c < column_count_ && first == nullptr; ++c) first = cell(r, c);
    body[length++] = static_cast<std::uint8_t>(row_work_[r]);
    body[length++] = first->minutia->kind;
    for (std::size_t j = 0; j < rows_; ++j) {
      if (j == r || !chosen_[j]) continue;
      int distance_sum = 0;
      int here_sum = 0;
      int there_sum = 0;
      int together = 0;
      for (std::size_t c = 0; c < column_count_; ++c) {
        const MinutiaNode* a = cell(r, c);
        const MinutiaNode* b = cell(j, c);
        if (a == nullptr || b == nullptr) continue;
        distance_sum += distance(*a->minutia, *b->minutia);
        here_sum += angle(*a->minutia, *b->minutia);
        there_sum += angle(*b->minutia, *a->minutia);
        ++together;
      }
      // The sums are 16-bit before the division, as the stored templates were made.
      append16(to_int16(to_int16(distance_sum) / together));
      append16(to_int16(to_int16(here_sum) / together));
      append16(to_int16(to_int16(there_sum) / together));
    }
  }
  body_length_ = length;
  template_format::write_header(template_bytes_.data(), static_cast<std::uint16_t>(length));
}

std::int16_t TemplateMatcher::score() const {
  if (loaded_count_ == 0) return 0;
  int partnered = 0;
  for (int r = 0; r < loaded_count_; ++r) {
    bool found = false;
    for (std::size_t c = 1; c < column_count_ && !found; ++c)
      found = cell(static_cast<std::size_t>(r), c) != nullptr;
    partnered += found ? 1 : 0;
  }
  return to_int16(partnered * 100 / loaded_count_);
}

std::int16_t TemplateMatcher::load_template(const std::uint8_t* bytes) {
  using namespace template_format;
  if (check_template(bytes) != TemplateCheck::kValid) return pendra::kTemplateRejected;
  loaded_count_ = kRecordCount;
  loaded_minutiae_.assign(kRecordCount, Minutia{});
  loaded_.relations.assign(static_cast<std::size_t>(kRecordCount) * kRelationsPerRecord,
                           PairRelation{});
  loaded_.nodes.assign(kRecordCount, MinutiaNode{});
  const std::uint8_t* record = bytes + kHeaderSize;
  for (int i = 0; i < kRecordCount; ++i, record += kRecordSize) {
    loaded_minutiae_[i].kind = record[1];  // record[0], the percentage, plays no part here
    PairRelation* relations =
        loaded_.relations.data() + static_cast<std::size_t>(i) * kRelationsPerRecord;
    for (int j = 0; j < kRelationsPerRecord; ++j) {
      const std::uint8_t* field = record + 2 + static_cast<std::ptrdiff_t>(j) * kRelationSize;
      relations[j] = PairRelation{static_cast<std::int16_t>(byte_order::load_le16(field)),
                                  static_cast<std::int16_t>(byte_order::load_le16(field + 2)),
                                  static_cast<std::int16_t>(byte_order::load_le16(field + 4)), 0};
    }
    std::sort(relations, relations + kRelationsPerRecord,
              [](const PairRelation& a, const PairRelation& b) { return a.distance < b.distance; });
    loaded_.nodes[i] = MinutiaNode{&loaded_minutiae_[i], relations, kRelationsPerRecord, false};
  }
  return run(loaded_, MatchMode::kLoad);
}

void TemplateMatcher::clear() {
  row_work_.clear();
  row_occurrences_.clear();
  chosen_.clear();
  loaded_minutiae_.clear();
  loaded_.nodes.clear();
  loaded_.relations.clear();
  loaded_count_ = 0;
  has_table_ = false;
  rows_ = 0;
  column_count_ = 0;
}

}  // namespace recognition
