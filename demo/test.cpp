// Demonstration program: fills a table of three back-to-back five-character
// codes, copies the table into strings with std::copy, and prints each code
// beside its copy. Takes no arguments and reads no input.

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <string>

int main() {
  constexpr std::size_t kCells = 3;
  constexpr std::size_t kCellWidth = 5;

  std::string copies[kCells];

  // The cells have no room for their own terminators: each code's terminator
  // lands on the first character of the next cell and is overwritten by the
  // next code. The spare character after the last cell holds the terminator
  // of the third code, so every cell's text runs to the end of the table.
  char table[kCells * kCellWidth + 1];
  const char* const codes[kCells] = {"00001", "00002", "00003"};
  const char* cells[kCells];
  for (std::size_t i = 0; i < kCells; ++i) {
    cells[i] = table + i * kCellWidth;
    std::copy_n(codes[i], kCellWidth + 1, table + i * kCellWidth);
  }

  std::copy(cells, cells + kCells, copies);

  for (std::size_t i = 0; i < kCells; ++i) std::cout << cells[i] << " " << copies[i] << std::endl;
  return 0;
}
