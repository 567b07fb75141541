// Prints the element counts of a bitmap's, a screen's and a colour file's arrays, and whether
// each lies on a multiple of 4, through the headers the build integration makes: C++ reaches the
// C arrays, whose names may hold any character a file name may.
#include "castle_map.h"
#include "ship16.h"
#include "城.h"

#include <cstdint>
#include <cstdio>
#include <iterator>

static int on_word(const void *array) { return reinterpret_cast<std::uintptr_t>(array) % 4 == 0; }

int main() {
  std::printf("%zu %zu %zu %zu %d%d%d%d\n", std::size(ship16_pal), std::size(ship16_sp),
              std::size(castle_map_map), std::size(城_pal), on_word(ship16_pal), on_word(ship16_sp),
              on_word(castle_map_map), on_word(城_pal));
}
