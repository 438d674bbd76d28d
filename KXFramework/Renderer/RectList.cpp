#include "KXFramework/Renderer/RectList.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <new>
#include <utility>

namespace KX {

namespace {

constexpr uint32_t kPoolSlots = 512;
constexpr double kMinExtent = 2.220446049250313e-16;

class NodePool {
public:
    LRectList::Node* Take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        LRectList::Node* node;
        if (m_slots == nullptr)
            CreateBlock();
        if (m_free > 0) {
            const uint32_t index = m_ring[m_ringHead];
            m_ringHead = (m_ringHead + 1) % kPoolSlots;
            --m_free;
            node = &m_slots[index].node;
        } else {
            node = new LRectList::Node;
        }
        *node = LRectList::Node{};
        ++m_stats.inUse;
        if (m_stats.inUse > m_stats.highestInUse)
            m_stats.highestInUse = m_stats.inUse;
        return node;
    }

    void Give(LRectList::Node* node)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_stats.inUse;
        if (InBlock(node)) {
            const auto* slot = reinterpret_cast<const Slot*>(node);
            m_ring[(m_ringHead + m_free) % kPoolSlots] = slot->index;
            ++m_free;
        } else {
            delete node;
        }
    }

    LRectList::PoolStatistics Statistics()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stats;
    }

private:
    struct Slot {
        LRectList::Node node;
        uint32_t index;
    };

    void CreateBlock()
    {
        m_slots = new Slot[kPoolSlots];
        for (uint32_t i = 0; i < kPoolSlots; ++i) {
            m_slots[i].index = i;
            m_ring[i] = i;
        }
        m_free = kPoolSlots;
    }

    bool InBlock(const LRectList::Node* node) const
    {
        const auto* first = reinterpret_cast<const LRectList::Node*>(m_slots);
        const auto* end = reinterpret_cast<const LRectList::Node*>(m_slots + kPoolSlots);
        return m_slots != nullptr && !std::less<const void*>()(node, first) && std::less<const void*>()(node, end);
    }

    std::mutex m_mutex;
    Slot* m_slots = nullptr;
    uint32_t m_ring[kPoolSlots] = {};
    uint32_t m_ringHead = 0;
    uint32_t m_free = 0;
    LRectList::PoolStatistics m_stats;
};

// Made on first use and kept for the process, so lists in static storage may outlive any order
// of destruction.
NodePool& Pool()
{
    static NodePool* pool = new NodePool;
    return *pool;
}

bool Overlap(const RectEdges& a, const RectEdges& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

LRectList::LRectList(const LRectList& other)
{
    Node** tail = &m_head;
    for (const Node* n = other.m_head; n != nullptr; n = n->next) {
        Node* copy = Pool().Take();
        static_cast<RectEdges&>(*copy) = *n;
        *tail = copy;
        tail = &copy->next;
    }
}

LRectList::LRectList(LRectList&& other) noexcept : m_head(std::exchange(other.m_head, nullptr)) {}

LRectList& LRectList::operator=(const LRectList& other)
{
    if (this != &other) {
        LRectList copy(other);
        std::swap(m_head, copy.m_head);
    }
    return *this;
}

LRectList& LRectList::operator=(LRectList&& other) noexcept
{
    if (this != &other) {
        Clear();
        m_head = std::exchange(other.m_head, nullptr);
    }
    return *this;
}

LRectList::~LRectList()
{
    Clear();
}

void LRectList::PushFront(const RectEdges& r)
{
    Node* node = Pool().Take();
    static_cast<RectEdges&>(*node) = r;
    node->next = m_head;
    m_head = node;
}

void LRectList::AddRect(const RectEdges& r)
{
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    SubtractRect(r, nullptr);
    PushFront(r);
}

void LRectList::Clear()
{
    while (m_head != nullptr)
        Pool().Give(std::exchange(m_head, m_head->next));
}

int LRectList::Count() const
{
    int count = 0;
    for (const Node* n = m_head; n != nullptr; n = n->next)
        ++count;
    return count;
}

bool LRectList::GetBounds(RectEdges& out) const
{
    out = {};
    if (m_head == nullptr)
        return false;
    out = *m_head;
    for (const Node* n = m_head->next; n != nullptr; n = n->next) {
        out.left = std::min(out.left, n->left);
        out.top = std::min(out.top, n->top);
        out.right = std::max(out.right, n->right);
        out.bottom = std::max(out.bottom, n->bottom);
    }
    return true;
}

void LRectList::ToArray(Array<RectT<int32_t>>& out) const
{
    out.Clear();
    for (const Node* n = m_head; n != nullptr; n = n->next)
        out.Add({n->left, n->top, n->right - n->left, n->bottom - n->top});
}

void LRectList::Append(const LRectList& other)
{
    if (&other == this) {
        const LRectList copy(other);
        Append(copy);
        return;
    }
    for (const Node* n = other.m_head; n != nullptr; n = n->next)
        PushFront(*n);
}

void LRectList::Offset(int32_t dx, int32_t dy)
{
    if (dx == 0 && dy == 0)
        return;
    for (Node* n = m_head; n != nullptr; n = n->next) {
        n->left += dx;
        n->right += dx;
        n->top += dy;
        n->bottom += dy;
    }
}

void LRectList::SubtractRect(const RectEdges& cut, LRectList* covered)
{
    // An empty cut covers no pixel; cutting with it would leave empty pieces in the list.
    if (cut.right <= cut.left || cut.bottom <= cut.top)
        return;
    Node** link = &m_head;
    while (*link != nullptr) {
        Node* n = *link;
        if (!Overlap(*n, cut)) {
            link = &n->next;
            continue;
        }
        // Pieces go to the front; when n was first, the first piece becomes the one before it.
        const bool wasFirst = link == &m_head;
        bool firstPiece = true;
        auto piece = [&](int32_t left, int32_t top, int32_t right, int32_t bottom) {
            PushFront({left, top, right, bottom});
            if (wasFirst && firstPiece)
                link = &m_head->next;
            firstPiece = false;
        };
        if (n->top < cut.top) {
            piece(n->left, n->top, n->right, cut.top);
            n->top = cut.top;
        }
        if (n->bottom > cut.bottom) {
            piece(n->left, cut.bottom, n->right, n->bottom);
            n->bottom = cut.bottom;
        }
        if (n->left < cut.left) {
            piece(n->left, n->top, cut.left, n->bottom);
            n->left = cut.left;
        }
        if (n->right > cut.right) {
            piece(cut.right, n->top, n->right, n->bottom);
            n->right = cut.right;
        }
        *link = n->next;
        if (covered != nullptr) {
            n->next = covered->m_head;
            covered->m_head = n;
        } else {
            Pool().Give(n);
        }
    }
}

void LRectList::SubtractList(const LRectList& other, LRectList* covered)
{
    // Cutting a list by itself would unlink the very node the walk stands on.
    if (&other == this) {
        const LRectList copy(other);
        SubtractList(copy, covered);
        return;
    }
    for (const Node* n = other.m_head; n != nullptr; n = n->next)
        SubtractRect(*n, covered);
}

void LRectList::Intersect(const LRectList& other)
{
    LRectList covered;
    SubtractList(other, &covered);
    std::swap(m_head, covered.m_head);
}

bool LRectList::Intersects(const RectEdges& r) const
{
    for (const Node* n = m_head; n != nullptr; n = n->next) {
        if (Overlap(*n, r))
            return true;
    }
    return false;
}

bool LRectList::IntersectsRectF(const RectT<double>& rect, const PointT<double>& offset) const
{
    double left = rect.x + offset.x;
    double top = rect.y + offset.y;
    double right = left + rect.width;
    double bottom = top + rect.height;
    left = std::max(left, 0.0);
    top = std::max(top, 0.0);
    right = std::min(right, 2147483647.0);
    bottom = std::min(bottom, 2147483647.0);
    // Written so that NaN also counts as empty.
    if (!(right - left > kMinExtent) || !(bottom - top > kMinExtent))
        return false;
    using GeometryRules::RoundToLong;
    return Intersects({RoundToLong(left), RoundToLong(top), RoundToLong(right), RoundToLong(bottom)});
}

void LRectList::Normalize()
{
    // Stable exchange sort by top edge.
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (Node** link = &m_head; *link != nullptr && (*link)->next != nullptr; link = &(*link)->next) {
            Node* a = *link;
            Node* b = a->next;
            if (b->top < a->top) {
                a->next = b->next;
                b->next = a;
                *link = b;
                swapped = true;
            }
        }
    }
    SplitBands();
    SortAndMergeBands();
    MergeEqualSpans();
}

void LRectList::SplitBands()
{
    Node* group = m_head;
    while (group != nullptr) {
        const int32_t top = group->top;
        int32_t cutLine = group->bottom;
        Node* n = group;
        for (; n != nullptr && n->top == top; n = n->next)
            cutLine = std::min(cutLine, n->bottom);
        if (n != nullptr)
            cutLine = std::min(cutLine, n->top);
        for (n = group; n != nullptr && n->top == top; n = n->next) {
            if (n->bottom <= cutLine)
                continue;
            Node* lower = Pool().Take();
            static_cast<RectEdges&>(*lower) = {n->left, cutLine, n->right, n->bottom};
            n->bottom = cutLine;
            // Sorted by top: after every node whose top is not below the cut line.
            Node* after = n;
            while (after->next != nullptr && after->next->top <= cutLine)
                after = after->next;
            lower->next = after->next;
            after->next = lower;
        }
        group = n;
    }
}

void LRectList::SortAndMergeBands()
{
    Node** band = &m_head;
    while (*band != nullptr) {
        const int32_t top = (*band)->top;
        for (bool exchanged = true; exchanged;) {
            exchanged = false;
            Node** link = band;
            while ((*link)->next != nullptr && (*link)->next->top == top) {
                Node* a = *link;
                Node* b = a->next;
                if (b->left < a->left) {
                    a->next = b->next;
                    b->next = a;
                    *link = b;
                    exchanged = true;
                    link = &b->next;
                } else if (a->right == b->left) {
                    a->right = b->right;
                    a->next = b->next;
                    Pool().Give(b);
                } else {
                    link = &a->next;
                }
            }
        }
        while (*band != nullptr && (*band)->top == top)
            band = &(*band)->next;
    }
}

void LRectList::MergeEqualSpans()
{
    for (Node* n = m_head; n != nullptr; n = n->next) {
        for (Node** link = &m_head; *link != nullptr; link = &(*link)->next) {
            Node* upper = *link;
            if (upper->left == n->left && upper->right == n->right && upper->bottom == n->top) {
                n->top = upper->top;
                *link = upper->next;
                Pool().Give(upper);
                break;
            }
        }
    }
}

LRectList::PoolStatistics LRectList::GetPoolStatistics()
{
    return Pool().Statistics();
}

} // namespace KX
