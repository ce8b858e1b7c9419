// The AVL tree against std::set under random insertions and removals, with
// the structure (order, balance factors, heights, count) checked after each.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "xls/model/AVLTree.h"

namespace korvel {
namespace {

class CountingTree : public TAVLTree {
public:
    ~CountingTree() override { Clear(); }
    int created = 0, freed = 0, inserted = 0, removed = 0;
    void Free(TAVLNode* node) { FreeNode(node); }

protected:
    TAVLNode* CreateNode(int32_t key) override {
        ++created;
        return TAVLTree::CreateNode(key);
    }
    void FreeNode(TAVLNode* node) override {
        ++freed;
        TAVLTree::FreeNode(node);
    }
    void NodeInserted(TAVLNode*) override { ++inserted; }
    void NodeRemoved(TAVLNode*) override { ++removed; }
};

// Returns the height of the subtree; records violations through gtest and
// appends the keys in order.
int CheckSubtree(const TAVLNode* node, std::vector<int32_t>& keys) {
    if (node == nullptr) return 0;
    int smaller = CheckSubtree(node->Smaller, keys);
    keys.push_back(node->Key);
    int greater = CheckSubtree(node->Greater, keys);
    EXPECT_EQ(node->Balance, greater - smaller) << "key " << node->Key;
    EXPECT_LE(std::abs(greater - smaller), 1) << "key " << node->Key;
    return 1 + std::max(smaller, greater);
}

const TAVLNode* Smallest(const TAVLNode* node) {
    while (node != nullptr && node->Smaller != nullptr) node = node->Smaller;
    return node;
}

void CheckTree(const TAVLTree& tree, const std::set<int32_t>& reference) {
    std::vector<int32_t> keys;
    CheckSubtree(tree.Root(), keys);
    ASSERT_EQ(keys, std::vector<int32_t>(reference.begin(), reference.end()));
    ASSERT_EQ(tree.NodeCount(), static_cast<int32_t>(reference.size()));
    // The Next links give the same order, from the smallest key to the end.
    std::vector<int32_t> linked;
    for (const TAVLNode* node = Smallest(tree.Root()); node != nullptr && linked.size() <= reference.size();
         node = node->Next)
        linked.push_back(node->Key);
    ASSERT_EQ(linked, keys);
}

TEST(AVLTree, RandomInsertDeleteKeepsOrderAndBalance) {
    CountingTree tree;
    std::set<int32_t> reference;
    std::mt19937 random(12345);
    for (int step = 0; step < 20000; ++step) {
        int32_t key = static_cast<int32_t>(random() % 600);
        if (random() % 3 != 0) {
            TAVLNode* node = tree.FindOrInsert(key);
            ASSERT_NE(node, nullptr);
            ASSERT_EQ(node->Key, key);
            reference.insert(key);
        } else {
            TAVLNode* node = tree.Delete(key);
            ASSERT_EQ(node != nullptr, reference.erase(key) == 1) << "key " << key;
            if (node != nullptr) {
                EXPECT_EQ(node->Smaller, nullptr);
                EXPECT_EQ(node->Greater, nullptr);
                EXPECT_EQ(node->Next, nullptr);
                tree.Free(node);
            }
            // The deleted key must not come back through the lookup cache.
            EXPECT_EQ(tree.Find(key), nullptr);
        }
        if (step % 7 == 0) CheckTree(tree, reference);
        // Lookups in key order step along the links from the cached node.
        if (step % 5 == 0) {
            const int32_t from = static_cast<int32_t>(random() % 600);
            auto at = reference.lower_bound(from);
            for (int k = 0; k < 4 && at != reference.end(); ++k, ++at) {
                TAVLNode* node = tree.Find(*at);
                ASSERT_NE(node, nullptr);
                ASSERT_EQ(node->Key, *at);
                // The key right after a present one is absent unless the set holds it.
                ASSERT_EQ(tree.Find(*at + 1) != nullptr, reference.count(*at + 1) == 1);
                tree.Find(*at);
            }
        }
        int32_t probe = static_cast<int32_t>(random() % 620) - 10;
        auto ceiling = reference.lower_bound(probe);
        auto higher = reference.upper_bound(probe);
        TAVLNode* c = tree.Ceiling(probe);
        TAVLNode* h = tree.Higher(probe);
        ASSERT_EQ(c == nullptr, ceiling == reference.end());
        if (c != nullptr) {
            ASSERT_EQ(c->Key, *ceiling);
        }
        ASSERT_EQ(h == nullptr, higher == reference.end());
        if (h != nullptr) {
            ASSERT_EQ(h->Key, *higher);
        }
        // Higher again with the node at or below the probe cached.
        if (c != nullptr) {
            tree.Find(c->Key);
            TAVLNode* again = tree.Higher(c->Key);
            auto expected = reference.upper_bound(c->Key);
            ASSERT_EQ(again == nullptr, expected == reference.end());
            if (again != nullptr) {
                ASSERT_EQ(again->Key, *expected);
            }
        }
        auto lower = reference.lower_bound(probe);
        TAVLNode* l = tree.Lower(probe);
        ASSERT_EQ(l == nullptr, lower == reference.begin());
        if (l != nullptr) {
            ASSERT_EQ(l->Key, *std::prev(lower));
        }
    }
    CheckTree(tree, reference);
    EXPECT_EQ(tree.inserted, tree.created);
    EXPECT_EQ(tree.removed, tree.freed);
    EXPECT_EQ(tree.created - tree.freed, static_cast<int>(reference.size()));
}

TEST(AVLTree, AscendingAndDescendingRunsStayShallow) {
    for (bool ascending : {true, false}) {
        CountingTree tree;
        std::set<int32_t> reference;
        for (int32_t i = 0; i < 4096; ++i) {
            int32_t key = ascending ? i : 100000 - i;
            tree.FindOrInsert(key);
            reference.insert(key);
        }
        std::vector<int32_t> keys;
        int height = CheckSubtree(tree.Root(), keys);
        EXPECT_LE(height, 18);  // 1.44 log2(4096) + small constant
        CheckTree(tree, reference);
    }
}

TEST(AVLTree, FindOrInsertReturnsExistingNodeAndCallsHookOnce) {
    CountingTree tree;
    TAVLNode* first = tree.FindOrInsert(42);
    tree.FindOrInsert(7);
    EXPECT_EQ(tree.FindOrInsert(42), first);
    EXPECT_EQ(tree.Find(42), first);
    EXPECT_EQ(tree.inserted, 2);
    EXPECT_EQ(tree.Find(8), nullptr);
    EXPECT_EQ(tree.Delete(8), nullptr);
    EXPECT_EQ(tree.removed, 0);
}

TEST(AVLTree, DestructionFreesEveryNode) {
    int created = 0, freed = 0;
    {
        CountingTree tree;
        for (int32_t i = 0; i < 100; ++i) tree.FindOrInsert(i * 3);
        tree.Free(tree.Delete(30));
        tree.Clear();
        EXPECT_EQ(tree.NodeCount(), 0);
        EXPECT_EQ(tree.Root(), nullptr);
        EXPECT_EQ(tree.Find(3), nullptr);
        tree.FindOrInsert(5);
        tree.FindOrInsert(6);
        created = tree.created;
        freed = tree.freed;
        EXPECT_EQ(freed, 100);
    }
    EXPECT_EQ(created, 102);
}

}  // namespace
}  // namespace korvel
