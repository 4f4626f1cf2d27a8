// The renderer's palette and the nine box tiles.
#include <string_view>

#include "display/render.h"

namespace ts2 {

namespace {

// Tiles 0-8 side by side, rows top to bottom. K black, D dark, L light, '.' the fill key.
// clang-format off
constexpr std::string_view kTileArt[kTileSize] = {
  "........ KDDDDDDD DDDDDDDD DDDDDDKK DLDK.... ....DLDK DLDK.... ........ ....DLDK",
  "........ DDLLLLLL LLLLLLLL LLLLLDDK DLDK.... ....DLDK DLDK.... ........ ....DLDK",
  "........ DLLDDDDD DDDDDDDD DDDDLLDK DLDK.... ....DLDK DLDK.... ........ ....DLDK",
  "........ DLDDKKKK KKKKKKKK KKKDDLDK DLDK.... ....DLDK DLDDK... ........ ...DDLDK",
  "........ DLDK.... ........ ....DLDK DLDK.... ....DLDK DLLDDDDD DDDDDDDD DDDDLLDK",
  "........ DLDK.... ........ ....DLDK DLDK.... ....DLDK DDLLLLLL LLLLLLLL LLLLLDDK",
  "........ DLDK.... ........ ....DLDK DLDK.... ....DLDK KDDDDDDD DDDDDDDD DDDDDDKK",
  "........ DLDK.... ........ ....DLDK DLDK.... ....DLDK KKKKKKKK KKKKKKKK KKKKKKKK",
};
// clang-format on

constexpr uint16_t kBlack = 0x0000, kDark = 0x8430, kLight = 0xE73C;

constexpr std::array<uint16_t, kBoxTileCount * kTileSize * kTileSize> BuildTiles() {
  std::array<uint16_t, kBoxTileCount * kTileSize * kTileSize> tiles{};
  for (int y = 0; y < kTileSize; ++y) {
    if (kTileArt[y].size() != kBoxTileCount * (kTileSize + 1) - 1) throw "a tile row has the wrong length";
    for (int t = 0; t < kBoxTileCount; ++t) {
      for (int x = 0; x < kTileSize; ++x) {
        uint16_t v = 0;
        switch (kTileArt[y][t * (kTileSize + 1) + x]) {
          case 'K': v = kBlack; break;
          case 'D': v = kDark; break;
          case 'L': v = kLight; break;
          case '.': v = kBoxKey; break;
          default: throw "tile pixels are K, D, L or '.'";
        }
        tiles[t * kTileSize * kTileSize + y * kTileSize + x] = v;
      }
    }
  }
  return tiles;
}

constexpr auto kTiles = BuildTiles();

}  // namespace

// Only entries 0, 6, 15 and 17 are ever drawn; the others stay black.
const std::array<uint16_t, 18> gPalette = {0x0000, 0, 0, 0, 0, 0, 0xAAA0, 0, 0,
                                           0,      0, 0, 0, 0, 0, 0xFFFF, 0, 0x10A2};

const std::array<uint16_t, kBoxTileCount* kTileSize* kTileSize> gBoxTiles = kTiles;

}  // namespace ts2
