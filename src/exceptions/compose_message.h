#pragma once

// Internal to the library's sources; not installed.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::detail {

// Plain decimal text of an unsigned number: no sign, fill, grouping or base
// prefix, whatever locale the program has set. These are the digits that a
// default-formatted stream writes under the classic locale.
class Decimal {
 public:
  explicit Decimal(std::uint64_t value) noexcept {
    size_ = static_cast<std::size_t>(std::to_chars(digits_, digits_ + kMaxDigits, value).ptr - digits_);
  }
  operator std::string_view() const noexcept { return {digits_, size_}; }  // NOLINT(google-explicit-constructor)

 private:
  static constexpr std::size_t kMaxDigits = 20;  // 2^64 - 1 has 20 digits
  char digits_[kMaxDigits]{};                    // the digits, not terminated
  std::size_t size_;                             // how many of digits_ are used
};

// A message piece as a view. A literal's length is known without a scan.
template <std::size_t N>
constexpr std::string_view piece(const char (&literal)[N]) noexcept {
  return {literal, N - 1};
}
inline std::string_view piece(std::string_view text) noexcept { return text; }

// The pieces written one after another with nothing between them, built with
// a single allocation. Throws std::bad_alloc if that allocation fails.
template <typename... Pieces>
std::string composeMessage(const Pieces&... pieces) {
  const std::string_view views[] = {piece(pieces)...};
  std::size_t size = 0;
  for (const std::string_view view : views) size += view.size();
  std::string text;
  text.reserve(size);
  for (const std::string_view view : views) text.append(view);
  return text;
}

}  // namespace morvane::detail
