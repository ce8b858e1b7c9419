#include "xls/model/AVLTree.h"

namespace korvel {

TAVLTree::~TAVLTree() { Clear(); }

TAVLNode* TAVLTree::FindUncached(int32_t key) {
    // A walk in key order asks for the node after the cached one.
    if (cachedNode_ != nullptr && cachedNode_->Next != nullptr && cachedNode_->Next->Key == key) {
        cachedKey_ = key;
        cachedNode_ = cachedNode_->Next;
        return cachedNode_;
    }
    TAVLNode* node = root_;
    while (node != nullptr && node->Key != key) node = key < node->Key ? node->Smaller : node->Greater;
    if (node != nullptr) {
        cachedKey_ = key;
        cachedNode_ = node;
    }
    return node;
}

TAVLNode* TAVLTree::FindOrInsertUncached(int32_t key) {
    // The links passed on the way down, for the way back up. A loop rather
    // than recursion: rows come in order, so a new node nearly always goes
    // at the end of a long right spine, and the climb back stops within a
    // step or two.
    TAVLNode** path[kMaxHeight];
    int depth = 0;
    TAVLNode** link = &root_;
    TAVLNode* before = nullptr;  // the nearest smaller and greater keys met: the new node goes between them
    TAVLNode* after = nullptr;
    while (TAVLNode* node = *link) {
        if (key == node->Key) {
            cachedKey_ = key;
            cachedNode_ = node;
            return node;
        }
        path[depth++] = link;
        if (key < node->Key) {
            after = node;
            link = &node->Smaller;
        } else {
            before = node;
            link = &node->Greater;
        }
    }
    TAVLNode* found = CreateNode(key);
    *link = found;
    found->Next = after;
    if (before != nullptr) before->Next = found;
    ++nodeCount_;
    NodeInserted(found);
    cachedKey_ = key;
    cachedNode_ = found;
    // Each node above gained a level on the side walked, until one takes it
    // up without growing or a rotation restores the height it had.
    for (TAVLNode* child = found; depth > 0;) {
        TAVLNode*& parentLink = *path[--depth];
        TAVLNode* parent = parentLink;
        if (child == parent->Smaller) {
            if (--parent->Balance == -2) {
                RepairSmallerHeavy(parentLink);
                break;
            }
        } else if (++parent->Balance == 2) {
            RepairGreaterHeavy(parentLink);
            break;
        }
        if (parent->Balance == 0) break;
        child = parent;
    }
    return found;
}

// Rotations for a node whose balance reached -2; returns true when the
// subtree ended up one level lower than it was while unbalanced.
bool TAVLTree::RepairSmallerHeavy(TAVLNode*& link) {
    TAVLNode* top = link;
    TAVLNode* left = top->Smaller;
    if (left->Balance <= 0) {
        top->Smaller = left->Greater;
        left->Greater = top;
        link = left;
        if (left->Balance == 0) {          // only after a removal
            top->Balance = -1;
            left->Balance = 1;
            return false;
        }
        top->Balance = 0;
        left->Balance = 0;
        return true;
    }
    TAVLNode* middle = left->Greater;
    left->Greater = middle->Smaller;
    top->Smaller = middle->Greater;
    middle->Smaller = left;
    middle->Greater = top;
    top->Balance = middle->Balance == -1 ? 1 : 0;
    left->Balance = middle->Balance == 1 ? -1 : 0;
    middle->Balance = 0;
    link = middle;
    return true;
}

bool TAVLTree::RepairGreaterHeavy(TAVLNode*& link) {
    TAVLNode* top = link;
    TAVLNode* right = top->Greater;
    if (right->Balance >= 0) {
        top->Greater = right->Smaller;
        right->Smaller = top;
        link = right;
        if (right->Balance == 0) {
            top->Balance = 1;
            right->Balance = -1;
            return false;
        }
        top->Balance = 0;
        right->Balance = 0;
        return true;
    }
    TAVLNode* middle = right->Smaller;
    right->Smaller = middle->Greater;
    top->Greater = middle->Smaller;
    middle->Greater = right;
    middle->Smaller = top;
    top->Balance = middle->Balance == 1 ? -1 : 0;
    right->Balance = middle->Balance == -1 ? 1 : 0;
    middle->Balance = 0;
    link = middle;
    return true;
}

// The smaller side of link lost a level; returns true when link's subtree did too.
bool TAVLTree::SmallerSideShrank(TAVLNode*& link) {
    TAVLNode* node = link;
    if (++node->Balance == 2) return RepairGreaterHeavy(link);
    return node->Balance == 0;
}

bool TAVLTree::GreaterSideShrank(TAVLNode*& link) {
    TAVLNode* node = link;
    if (--node->Balance == -2) return RepairSmallerHeavy(link);
    return node->Balance == 0;
}

bool TAVLTree::RemoveSmallest(TAVLNode*& link, TAVLNode*& smallest) {
    TAVLNode* node = link;
    if (node->Smaller == nullptr) {
        smallest = node;
        link = node->Greater;
        return true;
    }
    if (!RemoveSmallest(node->Smaller, smallest)) return false;
    return SmallerSideShrank(link);
}

// Returns true when the subtree at link lost a level.
bool TAVLTree::RemoveUnder(TAVLNode*& link, int32_t key, TAVLNode*& removed) {
    TAVLNode* node = link;
    if (node == nullptr) return false;
    if (key < node->Key) return RemoveUnder(node->Smaller, key, removed) && SmallerSideShrank(link);
    if (key > node->Key) return RemoveUnder(node->Greater, key, removed) && GreaterSideShrank(link);
    removed = node;
    if (node->Smaller == nullptr) {
        link = node->Greater;
        return true;
    }
    if (node->Greater == nullptr) {
        link = node->Smaller;
        return true;
    }
    // Two children: the in-order successor takes the node's place.
    TAVLNode* successor = nullptr;
    bool shrank = RemoveSmallest(node->Greater, successor);
    successor->Smaller = node->Smaller;
    successor->Greater = node->Greater;
    successor->Balance = node->Balance;
    link = successor;
    return shrank && GreaterSideShrank(link);
}

TAVLNode* TAVLTree::Delete(int32_t key) {
    TAVLNode* before = Lower(key);
    TAVLNode* removed = nullptr;
    RemoveUnder(root_, key, removed);
    if (removed == nullptr) return nullptr;
    if (before != nullptr) before->Next = removed->Next;
    removed->Smaller = removed->Greater = removed->Next = nullptr;
    removed->Balance = 0;
    --nodeCount_;
    if (cachedNode_ == removed) {
        cachedNode_ = nullptr;
        cachedKey_ = -1;
    }
    NodeRemoved(removed);
    return removed;
}

TAVLNode* TAVLTree::Ceiling(int32_t key) const {
    TAVLNode* best = nullptr;
    for (TAVLNode* node = root_; node != nullptr;) {
        if (node->Key == key) return node;
        if (node->Key > key) {
            best = node;
            node = node->Smaller;
        } else {
            node = node->Greater;
        }
    }
    return best;
}

TAVLNode* TAVLTree::Higher(int32_t key) const {
    if (cachedNode_ != nullptr && cachedNode_->Key <= key &&
        (cachedNode_->Next == nullptr || cachedNode_->Next->Key > key))
        return cachedNode_->Next;
    TAVLNode* best = nullptr;
    for (TAVLNode* node = root_; node != nullptr;) {
        if (node->Key > key) {
            best = node;
            node = node->Smaller;
        } else {
            node = node->Greater;
        }
    }
    return best;
}

TAVLNode* TAVLTree::Lower(int32_t key) const {
    TAVLNode* best = nullptr;
    for (TAVLNode* node = root_; node != nullptr;) {
        if (node->Key < key) {
            best = node;
            node = node->Greater;
        } else {
            node = node->Smaller;
        }
    }
    return best;
}

void TAVLTree::FreeSubtree(TAVLNode* node) {
    if (node == nullptr) return;
    FreeSubtree(node->Smaller);
    FreeSubtree(node->Greater);
    FreeNode(node);
}

void TAVLTree::Clear() { FreeSubtree(Forget()); }

TAVLNode* TAVLTree::Forget() {
    TAVLNode* root = root_;
    root_ = nullptr;
    cachedNode_ = nullptr;
    cachedKey_ = -1;
    nodeCount_ = 0;
    return root;
}

}  // namespace korvel
