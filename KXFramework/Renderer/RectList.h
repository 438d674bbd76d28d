#pragma once
// A list of pairwise non-overlapping integer rectangles: the dirty region of a window and the region
// of a look. Nodes come from one process-wide pool of 512 slots, so that regions changing on every
// frame cause no heap traffic; only nodes beyond 512 live ones come from the heap.
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Utilities/Storage/Array.h"

#include <cstdint>

namespace KX {

// Edges of a rectangle; right and bottom are exclusive.
struct RectEdges {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool operator==(const RectEdges&) const = default;
};

class LRectList {
public:
    struct Node : RectEdges {
        Node* next = nullptr;
    };

    // What the node pool has handed out, for leak checks.
    struct PoolStatistics {
        int inUse = 0;
        int highestInUse = 0;
    };

    LRectList() = default;
    LRectList(const LRectList& other);
    LRectList(LRectList&& other) noexcept;
    LRectList& operator=(const LRectList& other);
    LRectList& operator=(LRectList&& other) noexcept;
    ~LRectList();

    // Removes what r covers from the list, then puts r first. An empty r changes nothing.
    void AddRect(const RectEdges& r);
    void Clear();
    int Count() const;
    // The smallest rectangle holding every node; false and all zero for an empty list.
    bool GetBounds(RectEdges& out) const;
    void ToArray(Array<RectT<int32_t>>& out) const;
    // Copies other's nodes to the front of this list, in other's order (so they end up reversed),
    // without removing overlaps.
    void Append(const LRectList& other);
    void Offset(int32_t dx, int32_t dy);
    // Cuts every node that overlaps cut into the pieces outside it; the covered pieces move to the
    // front of covered, or go back to the pool without it.
    void SubtractRect(const RectEdges& cut, LRectList* covered);
    void SubtractList(const LRectList& other, LRectList* covered);
    // Keeps the parts of this list that other covers.
    void Intersect(const LRectList& other);
    bool Intersects(const RectEdges& r) const;
    // Whether rect, moved by offset and cut to the non-negative quadrant, meets the list.
    bool IntersectsRectF(const RectT<double>& rect, const PointT<double>& offset) const;
    // Bands sorted by top, each sorted by left, touching neighbours merged, equal spans of
    // neighbouring bands merged; the same pixels as before.
    void Normalize();

    const Node* GetHead() const { return m_head; }

    static PoolStatistics GetPoolStatistics();

private:
    void PushFront(const RectEdges& r);
    void SplitBands();
    void SortAndMergeBands();
    void MergeEqualSpans();

    Node* m_head = nullptr;
};

} // namespace KX
