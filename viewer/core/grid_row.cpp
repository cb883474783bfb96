#include "grid_row.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace ndr {

namespace {

// The texts of a row are counted in 32 bits; a row never holds more.
constexpr std::size_t kMaxRowText = std::numeric_limits<std::uint32_t>::max();
// Room beyond its texts that a row's buffer may keep.
constexpr std::size_t kSlack = 16;

}  // namespace

GridRow::GridRow(const GridRow& other)
    : cols_(other.cols_),
      bytes_(other.bytes_),
      pictures_(other.pictures_ ? std::make_unique<std::vector<PictureCell>>(*other.pictures_)
                                : nullptr) {}

GridRow& GridRow::operator=(const GridRow& other) {
  if (this != &other)
    *this = GridRow(other);
  return *this;
}

std::uint32_t GridRow::End(std::size_t col) const {
  std::uint32_t end;
  std::memcpy(&end, bytes_.data() + col * sizeof end, sizeof end);
  return end;
}

void GridRow::SetEnd(std::size_t col, std::uint32_t end) {
  std::memcpy(bytes_.data() + col * sizeof end, &end, sizeof end);
}

std::string_view GridRow::Text(std::size_t col) const {
  if (bytes_.empty() || col >= cols_)
    return {};
  const std::uint32_t begin = col == 0 ? 0 : End(col - 1);
  return std::string_view(bytes_).substr(TableBytes() + begin, End(col) - begin);
}

void GridRow::SetText(std::size_t col, std::string_view text) {
  if (col >= cols_ || (bytes_.empty() && text.empty()))
    return;
  if (bytes_.empty()) {
    // The first text of a row, as when a row is added: no splice needed.
    text = text.substr(0, kMaxRowText);
    bytes_.resize(TableBytes() + text.size());
    std::memcpy(bytes_.data() + TableBytes(), text.data(), text.size());
    for (std::size_t c = 0; c < cols_; ++c)
      SetEnd(c, c < col ? 0 : static_cast<std::uint32_t>(text.size()));
    return;
  }
  const std::uint32_t begin = col == 0 ? 0 : End(col - 1);
  const std::uint32_t end = End(col);
  const std::size_t others = bytes_.size() - TableBytes() - (end - begin);
  text = text.substr(0, kMaxRowText - others);
  bytes_.replace(TableBytes() + begin, end - begin, text);
  const std::uint32_t newEnd = begin + static_cast<std::uint32_t>(text.size());
  for (std::size_t c = col; c < cols_; ++c)
    SetEnd(c, End(c) - end + newEnd);  // unsigned arithmetic: exact modulo 2^32
}

void GridRow::SetTexts(std::span<const std::string_view> texts) {
  const std::size_t count = std::min<std::size_t>(texts.size(), cols_);
  std::size_t total = 0;
  for (std::size_t c = 0; c < count; ++c)
    total += texts[c].size();
  if (total == 0 || total > kMaxRowText) {
    bytes_.clear();
    for (std::size_t c = 0; c < count; ++c)
      SetText(c, texts[c]);  // empty, or too much for one buffer: cut by SetText
    return;
  }
  // A buffer much larger than the texts (a row before held longer ones) is
  // given up: the grid keeps every row of a large folder.
  const std::size_t needed = TableBytes() + total;
  if (bytes_.capacity() < needed || bytes_.capacity() > needed + kSlack) {
    // Freed rather than grown: the old texts need no copying, and growing
    // may double the buffer. (Assigning an empty string would keep it.)
    std::string().swap(bytes_);
    bytes_.reserve(needed);
  }
  bytes_.resize(needed);
  char* out = bytes_.data();
  std::uint32_t end = 0;
  for (std::size_t c = 0; c < cols_; ++c) {
    if (c < count) {
      std::memcpy(out + TableBytes() + end, texts[c].data(), texts[c].size());
      end += static_cast<std::uint32_t>(texts[c].size());
    }
    std::memcpy(out + c * sizeof end, &end, sizeof end);
  }
}

void GridRow::Resize(std::size_t cols) {
  if (cols == cols_)
    return;
  if (pictures_)
    std::erase_if(*pictures_, [cols](const PictureCell& cell) { return cell.col >= cols; });
  if (bytes_.empty()) {
    cols_ = static_cast<std::uint32_t>(cols);
    return;
  }
  std::vector<std::string_view> texts(cols_);
  for (std::size_t c = 0; c < cols_; ++c)
    texts[c] = Text(c);
  GridRow resized(cols);
  resized.SetTexts(texts);
  bytes_ = std::move(resized.bytes_);
  cols_ = resized.cols_;
}

std::string GridRow::ReleaseBuffer() {
  std::string buffer = std::move(bytes_);
  buffer.clear();
  bytes_ = std::string();
  pictures_.reset();
  return buffer;
}

void GridRow::AdoptBuffer(std::string&& buffer) {
  if (!bytes_.empty())
    return;
  bytes_ = std::move(buffer);
  bytes_.clear();
}

void GridRow::Clear() {
  bytes_.clear();
  bytes_.shrink_to_fit();
  pictures_.reset();
}

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
