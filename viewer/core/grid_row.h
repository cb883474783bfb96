// One row of the grid model. Its cells' texts lie one after the other in one
// block behind a table of their ends, so a row of eleven cells costs one
// allocation rather than a dozen: the grid holds 100,000 rows after a large
// scan, and makes and frees them all on every scan. A row whose cells are
// all empty allocates nothing.
//
// A row may keep a name apart from what its cells show: the name of the file
// it lists, as the listing gave it. It is the text of one cell until that
// cell's text is changed; then the row keeps the name in a slot of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace ndr {

using PictureHandle = std::intptr_t;  // 0: no picture
constexpr PictureHandle kNoPicture = 0;

class GridRow {
 public:
  // No cell holds the row's name.
  static constexpr std::size_t kNoNameCol = static_cast<std::size_t>(-1);

  explicit GridRow(std::size_t cols) : cols_(static_cast<std::uint16_t>(cols)) {}
  GridRow(const GridRow& other);
  GridRow& operator=(const GridRow& other);
  GridRow(GridRow&& other) noexcept;
  GridRow& operator=(GridRow&& other) noexcept;
  ~GridRow();

  std::size_t Cols() const { return cols_; }
  // Columns added are empty; texts of columns dropped go (the name stays).
  void Resize(std::size_t cols);

  std::string_view Text(std::size_t col) const;
  void SetText(std::size_t col, std::string_view text);
  // Every cell at once, from column 0; columns beyond texts are emptied. The
  // row's name is the text of cell nameCol (none: no name).
  void SetTexts(std::span<const std::string_view> texts, std::size_t nameCol = kNoNameCol);
  // The name SetTexts gave the row, whatever its cells show since.
  std::string_view Name() const;

  PictureHandle Picture(std::size_t col) const;
  int PictureAlignment(std::size_t col) const;
  void SetPicture(std::size_t col, PictureHandle picture);
  void SetPictureAlignment(std::size_t col, int alignment);

  void Clear();  // every text, picture and the name
  // Room for as many bytes of texts as other holds, made before they come.
  void ReserveLike(const GridRow& other);
  // Clears the row but keeps its block for the texts of another row.
  void ClearKeepingBlock();
  bool HoldsBlock() const { return block_ != nullptr; }
  // Takes other's block for its texts; only while every cell is empty.
  void TakeBlock(GridRow&& other);

 private:
  // Only the few cells that ever got a picture or an alignment.
  struct PictureCell {
    std::uint32_t col;
    int alignment;
    PictureHandle picture;
  };
  static constexpr std::uint16_t kNameApart = 0xFFFF;

  std::size_t Slots() const { return std::size_t{cols_} + 1; }  // the cells, then the name
  std::uint32_t Capacity() const;
  bool Wide() const;
  std::size_t TableBytes() const { return Slots() * (Wide() ? 4 : 2); }
  char* TextStart() const { return block_ + 4 + TableBytes(); }
  std::size_t End(std::size_t slot) const;
  void SetEnd(std::size_t slot, std::size_t end);
  std::string_view Slot(std::size_t slot) const;
  bool Overlaps(std::span<const std::string_view> texts) const;
  // Writes the slots' texts (Slots() of them, cut to what a row holds), in
  // this block when they fit.
  void Store(std::span<std::string_view> slots);
  void Allocate(std::size_t textBytes);
  void Free();
  PictureCell* FindPicture(std::size_t col);
  const PictureCell* FindPicture(std::size_t col) const;
  PictureCell& PictureAt(std::size_t col);

  // Null while every slot is empty; else the capacity after it (32 bits),
  // the end of each slot's text (counted from the end of the table; 16 bits
  // while the capacity is below 64 KiB, else 32), then the texts.
  char* block_ = nullptr;
  // Held apart: most rows never get a picture, and a large grid holds many
  // rows.
  std::unique_ptr<std::vector<PictureCell>> pictures_;
  std::uint16_t cols_;
  std::uint16_t nameCol_ = kNameApart;  // the cell whose text is the name
};

}  // namespace ndr
