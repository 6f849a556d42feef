// The template matcher decides which minutiae of different images (or of an image and a
// template) are the same minutia by comparing their neighbourhoods: the distances and
// angles to all other minutiae of their own image. Its occurrence table has one row per
// minutia followed across images and one column per image.
//  - Enrolment: images of one finger are added column by column; once twelve rows were seen
//    often enough and together, a template is written from their averaged relations.
//  - Comparison: a template is unpacked into twelve rows of one column, the live image is
//    added as the second column; the score is the share of template rows that found a
//    partner.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "recognition/minutia.h"
#include "recognition/pair_geometry.h"
#include "recognition/template_format.h"

namespace recognition {

enum class MatchMode { kLoad = 0, kEnrol = 1, kCompare = 2, kExtractOnly = 3 };

class TemplateMatcher {
 public:
  explicit TemplateMatcher(std::int16_t match_threshold) : match_threshold_(match_threshold) {}

  // Adds `list` as the next column (kEnrol, kCompare, or kLoad for a template's rows).
  // kEnrol: 1 when a template could be written, else 0; kCompare: the score 0..100;
  // kExtractOnly: 0, nothing changes. Cells keep pointers into `list`, which must outlive
  // the table. Throws std::bad_alloc when memory runs out.
  std::int16_t run(const NodeList& list, MatchMode mode);

  // Unpacks a stored template into rows 0..11 of an empty matcher: 0, or kTemplateRejected
  // (-3) when it fails its checks, with nothing loaded.
  std::int16_t load_template(const std::uint8_t* bytes);

  // Back to empty: table, working arrays and loaded template.
  void clear();

  // The template written by the last successful enrolment step: header and body.
  const std::uint8_t* template_bytes() const { return template_bytes_.data(); }
  int template_size() const { return template_format::kHeaderSize + body_length_; }

  // Whether `p` agrees with `q` closely enough to join q's row. Both nodes' relations must
  // be sorted by distance.
  bool joins(const MinutiaNode& q, const MinutiaNode& p) const;

  std::size_t rows() const { return rows_; }
  std::size_t columns() const { return column_count_; }

 private:
  const MinutiaNode* cell(std::size_t row, std::size_t column) const {
    const std::vector<const MinutiaNode*>& cells = columns_[column];
    return row < cells.size() ? cells[row] : nullptr;
  }
  std::vector<const MinutiaNode*>& new_column(std::size_t rows);
  int find_row(const MinutiaNode& p) const;
  void add_column(const NodeList& list);
  bool select12();
  bool coexists(std::size_t row) const;
  void build_template();
  std::int16_t score() const;

  std::int16_t match_threshold_;  // neighbourhood agreement in percent, strictly exceeded
  // While a column is added: per node, the row it joined or -1. During the selection: per
  // row, its occurrence percentage when chosen, else 0.
  std::vector<int> row_work_;
  std::vector<int> row_occurrences_;  // during the selection: non-empty cells per row
  std::vector<bool> chosen_;          // during the selection: rows chosen so far
  std::array<std::uint8_t, template_format::kTemplateSize> template_bytes_{};
  int body_length_ = 0;
  // The loaded template: minutiae at (0, 0) with the stored kind, 11 relations each, here
  // sorted by distance (only the matching reads them, and the order of relations does not
  // change which of them agree).
  std::vector<Minutia> loaded_minutiae_;
  NodeList loaded_;
  int loaded_count_ = 0;
  bool has_table_ = false;
  std::size_t rows_ = 0;
  // The table by columns; a column shorter than rows_ is empty below its end. Columns
  // beyond column_count_ are kept for reuse, so that identification allocates nothing per
  // candidate.
  std::vector<std::vector<const MinutiaNode*>> columns_;
  std::size_t column_count_ = 0;
};

}  // namespace recognition
