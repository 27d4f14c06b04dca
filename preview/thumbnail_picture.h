// The picture the preview shows for a thumbnail: each pixel's colour where it has data, a grey and
// white checkerboard of 8 x 8 squares where alpha is 0.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kCheckerSquare = 8;
// Both values are the same in every byte, so they read alike in any byte order.
inline constexpr std::uint32_t kCheckerGrey = 0xD2D2D2D2u;
inline constexpr std::uint32_t kCheckerWhite = 0xFFFFFFFFu;

// The checkerboard's value at (column, row): grey where the square's column and row have the
// same parity, so the top-left square is grey.
inline std::uint32_t CheckerAt(int column, int row) {
    return (column / kCheckerSquare) % 2 == (row / kCheckerSquare) % 2 ? kCheckerGrey
                                                                       : kCheckerWhite;
}

// `pixels` holds rows x columns pixels, bytes R, G, B, A in memory order. The result has the same
// layout: the pixel unchanged where its alpha is not 0, the checkerboard value where it is.
std::vector<std::uint32_t> CompositeOverCheckerboard(const std::uint32_t* pixels, int columns,
                                                     int rows);
