// Keeping a tag current entry by entry: inserting and removing keys in place.
#include "dbase/mdx_file.h"

#include "dbase/error.h"
#include "dbase/mdx_internal.h"
#include "dbase/mdx_key.h"
#include "dbase/mdx_layout.h"

namespace dbase {

using namespace mdx;
using namespace mdx_detail;

// ---- Changing ------------------------------------------------------------------------

void MdxFile::insert(int tagIndex, std::string_view key, std::uint32_t recNo) {
    const MdxTagInfo& t = tags_.at(static_cast<size_t>(tagIndex));
    if (!writable_)
        throw Error(Error::Kind::ReadOnly, "The index file is open read-only", path_);
    if (key.size() != static_cast<size_t>(t.keyLength))
        throw Error(Error::Kind::State, "A key of the wrong length for tag " + t.name, path_);
    FileLock lock(file_, true);
    refreshSize();
    beginChanges();
    touchHeader();
    Path path;
    seekPath(tagIndex, key, recNo, path);

    const int maxN = maxKeys(t.keyLength);
    // Every full block from the leaf up splits, and a full root gains a new
    // root above it.
    size_t splits = 0;
    for (size_t level = path.nodes.size();
         level-- > 0 && path.nodes[level].n() >= static_cast<size_t>(maxN);)
        ++splits;
    std::vector<std::uint32_t> fresh;
    reserveBlocks(splits == path.nodes.size() ? splits + 1 : splits, fresh);
    size_t nextFresh = 0;
    std::uint32_t newRoot = 0;
    int pagesAdded = 0;
    // Insert (ptr, key) at level `level`, splitting upwards while blocks overflow.
    std::string upKey(key);
    std::uint32_t upPtr = recNo;
    for (size_t level = path.nodes.size(); level-- > 0;) {
        Node& nd = path.nodes[level];
        const size_t at = path.index[level];
        if (nd.leaf) {
            nd.insertItem(at, upPtr, upKey);
        } else {
            // The child at `at` was split: its left half (the old page) now ends
            // with upKey; the right half (upPtr) takes the old slot.
            const std::uint32_t leftPage = nd.child(at);
            nd.setChild(at, upPtr);
            nd.insertItem(at, leftPage, upKey);
        }
        if (nd.n() <= static_cast<size_t>(maxN)) {
            storeNode(tagIndex, nd);
            break;
        }
        // Split: the left half stays on this page, the right half moves to a new block.
        Node right;
        right.keyLength = nd.keyLength;
        right.leaf = nd.leaf;
        right.page = fresh.at(nextFresh++);
        pagesAdded += kPagesPerBlock;
        const size_t m = nd.n() / 2 + (nd.leaf ? nd.n() % 2 : 0);
        if (nd.leaf) {
            right.ptrs.assign(nd.ptrs.begin() + static_cast<long>(m), nd.ptrs.end());
            right.keys = nd.keys.substr(m * static_cast<size_t>(nd.keyLength));
            nd.ptrs.resize(m);
            nd.keys.resize(m * static_cast<size_t>(nd.keyLength));
            upKey = nd.lastKey();
        } else {
            // Item m's key becomes the left half's last key; its child the left's rightmost.
            right.ptrs.assign(nd.ptrs.begin() + static_cast<long>(m) + 1, nd.ptrs.end());
            right.keys = nd.keys.substr((m + 1) * static_cast<size_t>(nd.keyLength));
            right.right = nd.right;
            upKey = std::string(nd.key(m));
            nd.right = nd.ptrs[m];
            nd.ptrs.resize(m);
            nd.keys.resize(m * static_cast<size_t>(nd.keyLength));
        }
        storeNode(tagIndex, right);
        storeNode(tagIndex, nd);
        upPtr = right.page;
        if (level == 0) {
            Node root;
            root.keyLength = nd.keyLength;
            root.leaf = false;
            root.page = fresh.at(nextFresh++);
            pagesAdded += kPagesPerBlock;
            root.insertItem(0, nd.page, upKey);
            root.right = right.page;
            storeNode(tagIndex, root);
            newRoot = root.page;
        }
    }
    setRoot(tagIndex, newRoot ? newRoot : path.nodes.front().page, true, pagesAdded);
}

bool MdxFile::remove(int tagIndex, std::string_view key, std::uint32_t recNo) {
    const MdxTagInfo& t = tags_.at(static_cast<size_t>(tagIndex));
    if (!writable_)
        throw Error(Error::Kind::ReadOnly, "The index file is open read-only", path_);
    if (key.size() != static_cast<size_t>(t.keyLength))
        return false;
    FileLock lock(file_, true);
    refreshSize();
    Path path;
    if (!seekPath(tagIndex, key, recNo, path))
        return false;
    const size_t leafLevel = path.nodes.size() - 1;
    Node& leaf = path.nodes[leafLevel];
    const size_t at = path.index[leafLevel];
    if (leaf.ptrs[at] != recNo || compareKeys(t.keyType, leaf.key(at), key) != 0)
        return false;
    beginChanges();
    touchHeader();
    leaf.eraseItem(at);
    if (leaf.n() > 0) {
        storeNode(tagIndex, leaf);
        if (at == leaf.n())
            updateSeparators(tagIndex, path, leafLevel, leaf.lastKey());
        setRoot(tagIndex, path.nodes.front().page, true, 0);
        return true;
    }
    if (leafLevel == 0) {  // the tag is now empty
        storeNode(tagIndex, leaf);
        setRoot(tagIndex, leaf.page, false, 0);
        return true;
    }
    removeChild(tagIndex, path, leafLevel);
    setRoot(tagIndex, path.nodes.front().page, true, 0);
    return true;
}

// The subtree at path.nodes[level] now ends with newMax: the separators above
// that name it follow.
void MdxFile::updateSeparators(int tagIndex, Path& path, size_t level, const std::string& newMax) {
    while (level > 0) {
        Node& parent = path.nodes[level - 1];
        const size_t i = path.index[level - 1];
        if (i < parent.n()) {
            parent.setKey(i, newMax);
            storeNode(tagIndex, parent);
            return;
        }
        --level;  // the rightmost child: the parent's own last key changed too
    }
}

// The node at path.nodes[level] has become empty: it leaves its parent. A
// parent left with no key is merged with, or borrows from, a neighbour so
// that every block keeps at least one key; a root left with one child hands
// the root over to it. Blocks let go stay in the file unused.
void MdxFile::removeChild(int tagIndex, Path& path, size_t level) {
    const int maxN = maxKeys(tags_[static_cast<size_t>(tagIndex)].keyLength);
    for (;;) {
        Node& parent = path.nodes[level - 1];
        const size_t ci = path.index[level - 1];
        if (ci < parent.n()) {
            parent.eraseItem(ci);
            storeNode(tagIndex, parent);
        } else {
            parent.right = parent.ptrs.back();
            const std::string newMax = parent.lastKey();
            parent.eraseItem(parent.n() - 1);
            path.index[level - 1] = parent.n();
            storeNode(tagIndex, parent);
            updateSeparators(tagIndex, path, level - 1, newMax);
        }
        if (parent.n() > 0)
            return;

        // The parent keeps one child and no key.
        const size_t pl = level - 1;
        const std::uint32_t only = parent.right;
        if (pl == 0) {
            path.nodes[0] = loadNode(tagIndex, only);
            return;
        }
        Node& grand = path.nodes[pl - 1];
        const size_t pi = path.index[pl - 1];
        if (pi > 0) {
            Node sib = loadNode(tagIndex, grand.child(pi - 1));
            if (sib.n() < static_cast<size_t>(maxN)) {
                // Merge: the lone child becomes the left neighbour's last child.
                sib.insertItem(sib.n(), sib.right, grand.key(pi - 1));
                sib.right = only;
                storeNode(tagIndex, sib);
                grand.setChild(pi, sib.page);
                path.index[pl - 1] = pi - 1;
                level = pl;  // the parent leaves the grandparent in turn
                continue;
            }
            // Borrow the left neighbour's last child.
            parent.insertItem(0, sib.right, grand.key(pi - 1));
            sib.right = sib.ptrs.back();
            grand.setKey(pi - 1, sib.lastKey());
            sib.eraseItem(sib.n() - 1);
            storeNode(tagIndex, sib);
            storeNode(tagIndex, parent);
            storeNode(tagIndex, grand);
            return;
        }
        Node sib = loadNode(tagIndex, grand.child(1));
        if (sib.n() < static_cast<size_t>(maxN)) {
            // Merge: the lone child becomes the right neighbour's first child.
            sib.insertItem(0, only, grand.key(0));
            storeNode(tagIndex, sib);
            path.index[pl - 1] = 0;
            level = pl;
            continue;
        }
        // Borrow the right neighbour's first child.
        parent.insertItem(0, only, grand.key(0));
        parent.right = sib.ptrs.front();
        grand.setKey(0, sib.key(0));
        sib.eraseItem(0);
        storeNode(tagIndex, sib);
        storeNode(tagIndex, parent);
        storeNode(tagIndex, grand);
        return;
    }
}

}  // namespace dbase
