#include "image/octree.h"

#include <new>

#include "image/bytes.h"
#include "image/dib.h"
#include "image/palette.h"

namespace vorel {

std::unique_ptr<QuantNode> NewQuantNode(int level, int depth, std::uint32_t& leafCount,
                                        ReducibleLists& reducible) {
    std::unique_ptr<QuantNode> node(new (std::nothrow) QuantNode{});
    if (!node) return node;
    if (level == depth) {
        node->isLeaf = true;
        ++leafCount;
    } else if (level >= 0 && level < static_cast<int>(reducible.size())) {
        node->next = reducible[static_cast<std::size_t>(level)];
        reducible[static_cast<std::size_t>(level)] = node.get();
    }
    return node;
}

bool InsertColor(std::unique_ptr<QuantNode>& slot, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                 int depth, int level, std::uint32_t& leafCount, ReducibleLists& reducible) {
    std::unique_ptr<QuantNode>* current = &slot;
    for (;;) {
        if (!*current) {
            *current = NewQuantNode(level, depth, leafCount, reducible);
            if (!*current) return false;
        }
        QuantNode& node = **current;
        if (node.isLeaf || level >= depth) {
            // level >= depth cannot happen for a tree built here; stopping keeps the walk finite anyway.
            node.isLeaf = true;
            ++node.pixelCount;
            node.redSum += red;
            node.greenSum += green;
            node.blueSum += blue;
            return true;
        }
        const int shift = 7 - level;
        const unsigned index =
            (((red >> shift) & 1u) << 2) | (((green >> shift) & 1u) << 1) | ((blue >> shift) & 1u);
        current = &node.children[index];
        ++level;
    }
}

bool ReduceQuantTree(int depth, std::uint32_t& leafCount, ReducibleLists& reducible) {
    if (depth < 1 || depth >= static_cast<int>(reducible.size())) return false;
    int level = depth - 1;
    while (level > 0 && reducible[static_cast<std::size_t>(level)] == nullptr) --level;
    if (level < 0) return false;
    QuantNode* node = reducible[static_cast<std::size_t>(level)];
    if (node == nullptr) return false;
    reducible[static_cast<std::size_t>(level)] = node->next;
    node->next = nullptr;

    // Every deeper list is empty, so every inner node below this one has already
    // been folded: its children are all leaves and none of them is on a list.
    std::uint64_t red = 0, green = 0, blue = 0;
    std::uint32_t merged = 0;
    for (auto& child : node->children) {
        if (!child) continue;
        red += child->redSum;
        green += child->greenSum;
        blue += child->blueSum;
        node->pixelCount += child->pixelCount;
        FreeQuantTree(child);
        ++merged;
    }
    node->isLeaf = true;
    node->redSum = red;
    node->greenSum = green;
    node->blueSum = blue;
    // The node itself becomes a leaf: merging n children removes n - 1 leaves,
    // and a node with no child (never built here) adds one.
    leafCount = leafCount + 1 - merged;
    return true;
}

void CollectLeafColors(const QuantNode* node, std::vector<PaletteEntry>& entries, std::size_t& index) {
    if (node == nullptr) return;
    if (node->isLeaf) {
        if (index < entries.size()) {
            const std::uint64_t n = node->pixelCount;
            entries[index] = n == 0 ? PaletteEntry{}
                                    : PaletteEntry{static_cast<std::uint8_t>(node->redSum / n),
                                                   static_cast<std::uint8_t>(node->greenSum / n),
                                                   static_cast<std::uint8_t>(node->blueSum / n), 0};
        }
        ++index;
        return;
    }
    for (const auto& child : node->children) CollectLeafColors(child.get(), entries, index);
}

void FreeQuantTree(std::unique_ptr<QuantNode>& slot) {
    if (!slot) return;
    for (auto& child : slot->children) FreeQuantTree(child);
    slot.reset();
}

bool CreateOptimizedPalette(const Dib& dib, Palette& out) {
    out = Palette{};
    if (dib.IsNull() || dib.BitCount() != 24 || !dib.IsConsistent()) return false;

    std::unique_ptr<QuantNode> root;
    std::uint32_t leafCount = 0;
    ReducibleLists reducible{};
    const auto fail = [&root] {
        FreeQuantTree(root);
        return false;
    };

    const std::int32_t width = dib.Width();
    const std::int32_t height = dib.Height();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    // Storage order, bottom row first; each row's padding after 3 * width bytes is never read.
    for (std::int32_t r = 0; r < height; ++r) {
        const ByteSpan row = dib.StoredRow(r);
        if (row.size() < rowBytes) return fail();
        for (std::size_t x = 0; x < rowBytes; x += 3) {
            if (!InsertColor(root, row[x + 2], row[x + 1], row[x], kQuantDepth, 0, leafCount, reducible)) {
                return fail();
            }
            while (leafCount > kMaxOptimizedColors) {
                if (!ReduceQuantTree(kQuantDepth, leafCount, reducible)) break;
            }
        }
    }
    if (leafCount > kMaxOptimizedColors || leafCount == 0) return fail();

    std::vector<PaletteEntry> entries;
    try {
        entries.resize(leafCount);
    } catch (const std::bad_alloc&) {
        return fail();
    }
    std::size_t index = 0;
    CollectLeafColors(root.get(), entries, index);
    FreeQuantTree(root);
    if (index != leafCount) return false;
    out = Palette(std::move(entries));
    return true;
}

}  // namespace vorel
