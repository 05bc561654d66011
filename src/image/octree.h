// Octree colour quantisation: the optimised palette of a 24-bit image.
//
// Colours are filed into an 8-level tree by their bits, most significant
// first; whenever more than kMaxOptimizedColors leaves exist, the deepest
// most recently created inner node is folded into one averaged leaf.
// The leaf order of the finished tree (child index depth first) is the
// palette order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/palette.h"

namespace vorel {

// 256 less the 20 colours the system keeps for itself.
inline constexpr std::uint32_t kMaxOptimizedColors = 236;
inline constexpr int kQuantDepth = 8;

struct QuantNode {
    bool isLeaf = false;
    // 64-bit sums: a leaf of one colour covering more than 16.8 million pixels
    // would wrap a 32-bit red sum and come out as the wrong colour.
    std::uint64_t pixelCount = 0;
    std::uint64_t redSum = 0;
    std::uint64_t greenSum = 0;
    std::uint64_t blueSum = 0;
    // Child i: i = 4 * red bit + 2 * green bit + blue bit at this level.
    std::array<std::unique_ptr<QuantNode>, 8> children;
    // Next inner node of the same level in its reducible list (not owned).
    QuantNode* next = nullptr;
};

// Heads of the reducible lists, one per level; levels 0..7 hold inner nodes.
using ReducibleLists = std::array<QuantNode*, kQuantDepth + 1>;

// A zero-filled node for `level`: a leaf at `depth` (counted in leafCount), otherwise
// an inner node pushed on the front of its level's reducible list. Null when out of memory.
std::unique_ptr<QuantNode> NewQuantNode(int level, int depth, std::uint32_t& leafCount,
                                        ReducibleLists& reducible);

// Adds one pixel, creating the nodes on its path. False when a node cannot be
// allocated; the tree then stays valid and can still be freed.
bool InsertColor(std::unique_ptr<QuantNode>& slot, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                 int depth, int level, std::uint32_t& leafCount, ReducibleLists& reducible);

// Folds the head of the deepest non-empty reducible list (levels 7..1, else 0)
// into a leaf. False when no list holds a node.
bool ReduceQuantTree(int depth, std::uint32_t& leafCount, ReducibleLists& reducible);

// Writes each leaf's average colour (truncating) at entries[index++], children 0..7 in order.
// Entries past the end of `entries` are not written.
void CollectLeafColors(const QuantNode* node, std::vector<PaletteEntry>& entries, std::size_t& index);

// Frees the subtree in the slot and clears the slot.
void FreeQuantTree(std::unique_ptr<QuantNode>& slot);

}  // namespace vorel
