#include "grid_row.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <utility>

namespace ndr {

namespace {

// Below this capacity a block counts its ends in 16 bits.
constexpr std::size_t kNarrowCapacity = 0xFFFF;
// The texts of a row are counted in 32 bits; a row never holds more (with
// room left for its table and the rounding of its block).
constexpr std::size_t kMaxRowText = 0xFFFFFFFFu - (1u << 20);
// Room beyond its texts that a row's block may keep.
constexpr std::size_t kSlack = 16;
constexpr std::size_t kHeaderBytes = sizeof(std::uint32_t);

// The capacity to ask for bytes: a block of 16-byte steps less the
// allocator's usual 8-byte header, so that no step is half used.
std::size_t RoundedCapacity(std::size_t bytes) {
  return (kHeaderBytes + bytes + 8 + 15) / 16 * 16 - 8 - kHeaderBytes;
}

// An empty view may have no data at all, which memcpy must not be given.
void CopyText(char* to, std::string_view text) {
  if (!text.empty())
    std::memcpy(to, text.data(), text.size());
}

// The texts of a row's slots, kept on the stack for a row of usual width: a
// scan stores every row through here.
class SlotTexts {
 public:
  explicit SlotTexts(std::size_t slots) : size_(slots) {
    if (slots > local_.size())
      heap_.resize(slots);
  }
  std::span<std::string_view> Span() {
    return heap_.empty() ? std::span(local_.data(), size_) : std::span(heap_);
  }

 private:
  std::size_t size_;
  std::array<std::string_view, 16> local_{};
  std::vector<std::string_view> heap_;
};

}  // namespace

GridRow::GridRow(const GridRow& other)
    : pictures_(other.pictures_ ? std::make_unique<std::vector<PictureCell>>(*other.pictures_)
                                : nullptr),
      cols_(other.cols_),
      nameCol_(other.nameCol_) {
  if (other.block_) {
    const std::size_t bytes = kHeaderBytes + other.Capacity();
    block_ = static_cast<char*>(::operator new(bytes));
    std::memcpy(block_, other.block_, bytes);
  }
}

GridRow& GridRow::operator=(const GridRow& other) {
  if (this != &other)
    *this = GridRow(other);
  return *this;
}

GridRow::GridRow(GridRow&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)),
      pictures_(std::move(other.pictures_)),
      cols_(other.cols_),
      nameCol_(other.nameCol_) {}

GridRow& GridRow::operator=(GridRow&& other) noexcept {
  if (this != &other) {
    Free();
    block_ = std::exchange(other.block_, nullptr);
    pictures_ = std::move(other.pictures_);
    cols_ = other.cols_;
    nameCol_ = other.nameCol_;
  }
  return *this;
}

GridRow::~GridRow() {
  Free();
}

void GridRow::Free() {
  ::operator delete(block_);
  block_ = nullptr;
}

// ---- The block ----------------------------------------------------------------

std::uint32_t GridRow::Capacity() const {
  std::uint32_t capacity;
  std::memcpy(&capacity, block_, sizeof capacity);
  return capacity;
}

bool GridRow::Wide() const {
  return Capacity() > kNarrowCapacity;
}

std::size_t GridRow::End(std::size_t slot) const {
  const char* at = block_ + kHeaderBytes;
  if (Wide()) {
    std::uint32_t end;
    std::memcpy(&end, at + slot * sizeof end, sizeof end);
    return end;
  }
  std::uint16_t end;
  std::memcpy(&end, at + slot * sizeof end, sizeof end);
  return end;
}

void GridRow::SetEnd(std::size_t slot, std::size_t end) {
  char* at = block_ + kHeaderBytes;
  if (Wide()) {
    const auto wide = static_cast<std::uint32_t>(end);
    std::memcpy(at + slot * sizeof wide, &wide, sizeof wide);
  } else {
    const auto narrow = static_cast<std::uint16_t>(end);
    std::memcpy(at + slot * sizeof narrow, &narrow, sizeof narrow);
  }
}

std::string_view GridRow::Slot(std::size_t slot) const {
  if (!block_)
    return {};
  const std::size_t begin = slot == 0 ? 0 : End(slot - 1);
  return std::string_view(TextStart() + begin, End(slot) - begin);
}

// Whether any text lies in this row's own block (a row given its own texts).
bool GridRow::Overlaps(std::span<const std::string_view> texts) const {
  if (!block_)
    return false;
  const std::less<const char*> before;
  const char* first = block_;
  const char* last = block_ + kHeaderBytes + Capacity();
  return std::any_of(texts.begin(), texts.end(), [&](std::string_view text) {
    return !text.empty() && !before(text.data(), first) && before(text.data(), last);
  });
}

// A block for textBytes of texts, its ends not yet written.
void GridRow::Allocate(std::size_t textBytes) {
  std::size_t capacity = RoundedCapacity(Slots() * 2 + textBytes);
  if (capacity > kNarrowCapacity)
    capacity = RoundedCapacity(Slots() * 4 + textBytes);
  block_ = static_cast<char*>(::operator new(kHeaderBytes + capacity));
  const auto stored = static_cast<std::uint32_t>(capacity);
  std::memcpy(block_, &stored, sizeof stored);
}

void GridRow::Store(std::span<std::string_view> cut) {
  std::size_t total = 0;
  for (std::string_view& text : cut) {
    text = text.substr(0, kMaxRowText - total);
    total += text.size();
  }
  if (total == 0) {
    Free();
    return;
  }
  // A block much larger than the texts (a row before held longer ones) is
  // given up: the grid keeps every row of a large folder.
  const bool fits = block_ && !Overlaps(cut) && Capacity() >= TableBytes() + total &&
                    Capacity() <= RoundedCapacity(TableBytes() + total) + kSlack;
  char* old = fits ? nullptr : std::exchange(block_, nullptr);
  if (!fits)
    Allocate(total);
  std::size_t end = 0;
  for (std::size_t s = 0; s < Slots(); ++s) {
    CopyText(TextStart() + end, cut[s]);
    end += cut[s].size();
    SetEnd(s, end);
  }
  ::operator delete(old);  // only now: the texts may have come from it
}

// ---- Texts ---------------------------------------------------------------------

std::string_view GridRow::Text(std::size_t col) const {
  return col < cols_ ? Slot(col) : std::string_view();
}

std::string_view GridRow::Name() const {
  return nameCol_ != kNameApart ? Slot(nameCol_) : Slot(cols_);
}

void GridRow::SetText(std::size_t col, std::string_view text) {
  if (col >= cols_ || (!block_ && text.empty()))
    return;
  if (block_ && col != nameCol_ && !Overlaps({&text, 1})) {
    // In place, when the block has room: the cells behind move.
    const std::size_t begin = col == 0 ? 0 : End(col - 1), end = End(col);
    const std::size_t total = End(cols_);
    text = text.substr(0, kMaxRowText - (total - (end - begin)));
    const std::size_t newTotal = total - (end - begin) + text.size();
    if (TableBytes() + newTotal <= Capacity()) {
      std::memmove(TextStart() + begin + text.size(), TextStart() + end, total - end);
      CopyText(TextStart() + begin, text);
      for (std::size_t s = col; s < Slots(); ++s)
        SetEnd(s, End(s) - end + begin + text.size());
      return;
    }
  }
  SlotTexts texts(Slots());
  const std::span<std::string_view> slots = texts.Span();
  for (std::size_t s = 0; s < Slots(); ++s)
    slots[s] = Slot(s);
  if (col == nameCol_) {
    slots[cols_] = slots[col];  // the name stays as it was listed
    nameCol_ = kNameApart;
  }
  slots[col] = text;
  Store(slots);
}

void GridRow::SetTexts(std::span<const std::string_view> texts, std::size_t nameCol) {
  SlotTexts slots(Slots());
  std::copy_n(texts.begin(), std::min(texts.size(), std::size_t{cols_}), slots.Span().begin());
  Store(slots.Span());
  nameCol_ = nameCol < cols_ ? static_cast<std::uint16_t>(nameCol) : kNameApart;
}

void GridRow::Resize(std::size_t cols) {
  if (cols == cols_)
    return;
  if (pictures_)
    std::erase_if(*pictures_, [cols](const PictureCell& cell) { return cell.col >= cols; });
  SlotTexts texts(cols + 1);
  const std::span<std::string_view> slots = texts.Span();
  for (std::size_t c = 0; c < std::min(cols, std::size_t{cols_}); ++c)
    slots[c] = Slot(c);
  if (nameCol_ >= cols) {
    slots[cols] = Name();
    nameCol_ = kNameApart;
  }
  cols_ = static_cast<std::uint16_t>(cols);
  Store(slots);
}

// ---- Reuse --------------------------------------------------------------------------

void GridRow::Clear() {
  Free();
  pictures_.reset();
  nameCol_ = kNameApart;
}

void GridRow::ClearKeepingBlock() {
  for (std::size_t s = 0; block_ && s < Slots(); ++s)
    SetEnd(s, 0);
  pictures_.reset();
  nameCol_ = kNameApart;
}

void GridRow::ReserveLike(const GridRow& other) {
  if (block_ || !other.block_)
    return;
  Allocate(other.End(other.cols_));
  ClearKeepingBlock();
}

void GridRow::TakeBlock(GridRow&& other) {
  if (block_ && End(cols_) != 0)
    return;
  Free();
  block_ = std::exchange(other.block_, nullptr);
  if (block_ && Capacity() < TableBytes())
    Free();
  ClearKeepingBlock();
}

// ---- Pictures -----------------------------------------------------------------------

const GridRow::PictureCell* GridRow::FindPicture(std::size_t col) const {
  if (!pictures_)
    return nullptr;
  for (const PictureCell& cell : *pictures_) {
    if (cell.col == col)
      return &cell;
  }
  return nullptr;
}

GridRow::PictureCell* GridRow::FindPicture(std::size_t col) {
  return const_cast<PictureCell*>(std::as_const(*this).FindPicture(col));
}

GridRow::PictureCell& GridRow::PictureAt(std::size_t col) {
  if (PictureCell* cell = FindPicture(col))
    return *cell;
  if (!pictures_)
    pictures_ = std::make_unique<std::vector<PictureCell>>();
  pictures_->push_back({static_cast<std::uint32_t>(col), 0, kNoPicture});
  return pictures_->back();
}

PictureHandle GridRow::Picture(std::size_t col) const {
  const PictureCell* cell = FindPicture(col);
  return cell ? cell->picture : kNoPicture;
}

int GridRow::PictureAlignment(std::size_t col) const {
  const PictureCell* cell = FindPicture(col);
  return cell ? cell->alignment : 0;
}

void GridRow::SetPicture(std::size_t col, PictureHandle picture) {
  if (col < cols_ && (picture != kNoPicture || FindPicture(col)))
    PictureAt(col).picture = picture;
}

void GridRow::SetPictureAlignment(std::size_t col, int alignment) {
  if (col < cols_ && (alignment != 0 || FindPicture(col)))
    PictureAt(col).alignment = alignment;
}

}  // namespace ndr
