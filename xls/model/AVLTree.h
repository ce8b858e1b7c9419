// An integer-keyed AVL tree with a one-entry lookup cache, whose nodes are
// also linked in key order (Next), so a walk in key order and a lookup of
// the key after the cached one cost no search. Derived trees make
// their own node type (CreateNode/FreeNode) and may watch insertions and
// removals through the two hooks. Not thread-safe; lookups update the cache.
#pragma once

#include <cstdint>

namespace korvel {

// Pointers first: a derived node may then place a small field of its own in
// the padding behind Balance.
struct TAVLNode {
    TAVLNode* Greater = nullptr;
    TAVLNode* Smaller = nullptr;
    TAVLNode* Next = nullptr;         // the node of the next larger key, nullptr for the largest
    int32_t Key = 0;
    int8_t Balance = 0;               // height(Greater) - height(Smaller): -1, 0 or +1
};

class TAVLTree {
public:
    TAVLTree() = default;
    TAVLTree(const TAVLTree&) = delete;
    TAVLTree& operator=(const TAVLTree&) = delete;
    // Frees the remaining nodes with the base FreeNode. A derived tree that
    // overrides FreeNode must call Clear() or Forget() in its own destructor.
    virtual ~TAVLTree();

    // The node with this key, or nullptr. A hit becomes the cached node.
    TAVLNode* Find(int32_t key) {
        return cachedNode_ != nullptr && key == cachedKey_ ? cachedNode_ : FindUncached(key);
    }
    // The node with this key, made with CreateNode and linked in when absent
    // (then NodeInserted is called). The result becomes the cached node.
    TAVLNode* FindOrInsert(int32_t key) {
        return cachedNode_ != nullptr && key == cachedKey_ ? cachedNode_ : FindOrInsertUncached(key);
    }
    // Unlinks the node with this key and returns it (children and Next cleared), or
    // nullptr when absent. The caller frees the node (FreeNode). NodeRemoved
    // is called; the cache forgets the node.
    TAVLNode* Delete(int32_t key);
    // Smallest key >= key / smallest key > key; nullptr when none.
    TAVLNode* Ceiling(int32_t key) const;
    TAVLNode* Higher(int32_t key) const;
    // Largest key < key; nullptr when none.
    TAVLNode* Lower(int32_t key) const;
    // Frees every node (children before their parent) and empties the tree.
    void Clear();

    int32_t NodeCount() const { return nodeCount_; }
    const TAVLNode* Root() const { return root_; }

protected:
    // Empties the tree without freeing a node and returns the old root: for
    // a derived tree whose node storage is released all at once.
    TAVLNode* Forget();

    virtual TAVLNode* CreateNode(int32_t key) { auto* n = new TAVLNode; n->Key = key; return n; }
    virtual void FreeNode(TAVLNode* node) { delete node; }
    virtual void NodeInserted(TAVLNode*) {}
    virtual void NodeRemoved(TAVLNode*) {}

private:
    // An AVL tree of n nodes is less than 1.45 log2(n + 2) high: 46 for the
    // most nodes an int32_t count allows.
    static constexpr int kMaxHeight = 48;

    // The searches behind Find and FindOrInsert when the cache misses; kept
    // out of line so that the cached case costs a compare at the caller.
    TAVLNode* FindUncached(int32_t key);
    TAVLNode* FindOrInsertUncached(int32_t key);
    bool RemoveUnder(TAVLNode*& link, int32_t key, TAVLNode*& removed);
    bool RemoveSmallest(TAVLNode*& link, TAVLNode*& smallest);
    bool SmallerSideShrank(TAVLNode*& link);
    bool GreaterSideShrank(TAVLNode*& link);
    static bool RepairSmallerHeavy(TAVLNode*& link);
    static bool RepairGreaterHeavy(TAVLNode*& link);
    void FreeSubtree(TAVLNode* node);

    int32_t cachedKey_ = -1;
    TAVLNode* cachedNode_ = nullptr;
    int32_t nodeCount_ = 0;
    TAVLNode* root_ = nullptr;
};

}  // namespace korvel
