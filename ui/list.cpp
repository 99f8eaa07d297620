// The list's row offsets and the bisection for the first row in view.
#include "ui/list.hpp"

namespace ui::detail {

void row_offsets::begin(std::size_t n, int gap) {
  tops_.clear();
  tops_.reserve(n + 1);
  tops_.push_back(0);
  gap_ = gap;
  ascending_ = true;
  valid_ = true;
}

void row_offsets::add(int height) {
  const long long step = static_cast<long long>(height) + gap_;
  if (step < 0) ascending_ = false;
  tops_.push_back(tops_.back() + step);
}

std::size_t row_offsets::first_in_view(unsigned offset, int view_height) const {
  if (!ascending_) return 0;
  // Row i ends at tops_[i + 1] - gap. The walk draws a row that ends at or
  // below the offset (updates one that ends below it) and stops after the
  // first row whose next top lies below the view's bottom.
  const auto ends = tops_.begin() + 1;
  const auto last = tops_.end();
  const long long o = offset;
  const auto reaching = std::lower_bound(ends, last, o + gap_);
  const auto stopping = std::upper_bound(ends, last, o + view_height);
  return static_cast<std::size_t>(std::min(reaching, stopping) - ends);
}

}  // namespace ui::detail
