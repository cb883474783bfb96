// One row of the grid model. Its cells' texts lie one after the other in one
// buffer behind a table of their ends, so a row of eleven cells costs one
// allocation rather than a dozen: the grid holds 100,000 rows after a large
// scan, and makes and frees them all on every scan. A row whose cells are
// all empty allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ndr {

using PictureHandle = std::intptr_t;  // 0: no picture
constexpr PictureHandle kNoPicture = 0;

class GridRow {
 public:
  explicit GridRow(std::size_t cols) : cols_(static_cast<std::uint32_t>(cols)) {}
  GridRow(const GridRow& other);
  GridRow& operator=(const GridRow& other);
  GridRow(GridRow&&) noexcept = default;
  GridRow& operator=(GridRow&&) noexcept = default;
  ~GridRow() = default;

  std::size_t Cols() const { return cols_; }
  // Columns added are empty; texts of columns dropped go.
  void Resize(std::size_t cols);

  std::string_view Text(std::size_t col) const;
  void SetText(std::size_t col, std::string_view text);
  // Every cell at once, from column 0; columns beyond texts are emptied.
  void SetTexts(std::span<const std::string_view> texts);

  PictureHandle Picture(std::size_t col) const;
  int PictureAlignment(std::size_t col) const;
  void SetPicture(std::size_t col, PictureHandle picture);
  void SetPictureAlignment(std::size_t col, int alignment);

  void Clear();  // every text and picture
  // Room for as many bytes of texts as other holds, made before they come.
  void ReserveLike(const GridRow& other) { bytes_.reserve(other.bytes_.size()); }
  // The texts' buffer, emptied, for another row; the row is left empty.
  std::string ReleaseBuffer();
  // Takes a buffer for its texts; only while every cell is empty.
  void AdoptBuffer(std::string&& buffer);

 private:
  // Only the few cells that ever got a picture or an alignment.
  struct PictureCell {
    std::uint32_t col;
    int alignment;
    PictureHandle picture;
  };

  std::size_t TableBytes() const { return std::size_t{cols_} * sizeof(std::uint32_t); }
  std::uint32_t End(std::size_t col) const;
  void SetEnd(std::size_t col, std::uint32_t end);
  PictureCell* FindPicture(std::size_t col);
  const PictureCell* FindPicture(std::size_t col) const;
  PictureCell& PictureAt(std::size_t col);

  std::uint32_t cols_;
  // Empty while every cell is; else the end of each cell's text (counted
  // from the end of the table), then the texts.
  std::string bytes_;
  // Held apart: most rows never get a picture, and a large grid holds many
  // rows.
  std::unique_ptr<std::vector<PictureCell>> pictures_;
};

}  // namespace ndr
