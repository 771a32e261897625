// A production index file (.MDX): up to 47 tags, each a B-tree of
// (key, record number) entries in 1024-byte blocks.
//
// MdxFile::write() produces a complete file from sorted entries (used to add,
// delete and rebuild tags); it writes a new file beside the old one, puts it
// on disk and renames it over it, so a crash leaves either the old file or
// the new one.
// An open MdxFile reads the tags and keeps them current entry by entry:
// insert() and remove() change the few blocks concerned in place. Those
// changes never touch the table; a crash part-way can leave the index
// inconsistent, which walking or checking it reports (Error::Kind::IndexDamaged)
// and rebuilding from the table repairs.
//
// Nothing is cached between calls: every operation reads the header and the
// blocks it needs afresh, so two processes sharing a table (each holding the
// table's write lock while changing it) see each other's changes. A write is
// additionally serialised by an advisory lock on the index file.
//
// Damaged files are refused with Error::Kind::IndexDamaged: a bad header or
// tag table on opening; pointers outside the file, loops, uneven depth, over-
// full blocks, keys out of order or record numbers beyond the table while
// walking. No damaged file makes the engine crash or write outside it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/expr.h"
#include "dbase/os_file.h"

namespace dbase {

struct MdxTagInfo {
    std::string name;        // upper case, at most 10 characters
    std::string expression;  // as given when the tag was added
    KeyType keyType = KeyType::Character;
    int keyLength = 0;
    bool descending = false;
    bool unique = false;
    bool hasFilter = false;  // a FOR condition (only in files of other programs)
    // The unique and FOR flags contradict each other or the tag (a unique
    // bit without the unique byte, a FOR flag without a legible condition):
    // damage, not a tag of another program.
    bool flagsDamaged = false;
    std::uint32_t headerPage = 0;
};

// One tag for MdxFile::write(): entries already in tag order (keys ascending,
// equal keys by record number), keys keyLength bytes each, back to back.
struct MdxTagBuild {
    std::string name;
    std::string expression;
    KeyType keyType = KeyType::Character;
    int keyLength = 0;
    bool descending = false;
    std::string keys;  // entryCount() * keyLength bytes
    std::vector<std::uint32_t> recNos;
    size_t entryCount() const { return recNos.size(); }
};

// Writes a whole index file block by block, tag after tag, from entries
// given in tag order. Only the block being filled and the last key of each
// leaf of the current tag are held in memory, so a tag of any size is written
// in little memory. Tag names are checked as by MdxFile::write().
class MdxWriter {
  public:
    // Creates (or empties) the file at path.
    MdxWriter(const std::string& path, const std::string& tableName);
    ~MdxWriter();  // closes the file; an unfinished one is left for the caller to remove
    MdxWriter(const MdxWriter&) = delete;
    MdxWriter& operator=(const MdxWriter&) = delete;

    void beginTag(const std::string& name, const std::string& expression, KeyType keyType,
                  int keyLength, bool descending);
    // The next entry of the tag begun last; the key is keyLength bytes.
    void add(std::string_view key, std::uint32_t recNo);
    void endTag();
    // Writes the file header and tag table, and puts the file on disk (fsync).
    void finish();

  private:
    std::uint32_t appendBlock(const unsigned char* block);
    void flush();
    void writeLeaf();

    std::string path_;
    std::string tableName_;
    OsFile file_;
    std::vector<unsigned char> buffer_;  // blocks not yet written, from bufferPage_ on
    std::uint32_t bufferPage_ = 0;
    std::uint32_t nextPage_ = 0;
    struct Tag {
        std::string name;
        KeyType keyType = KeyType::Character;
        std::uint32_t headerPage = 0;
    };
    std::vector<Tag> tags_;
    // The tag being written.
    std::string expression_;
    int keyLength_ = 0;
    bool descending_ = false;
    std::uint32_t firstNodePage_ = 0;
    std::uint64_t entries_ = 0;
    std::vector<unsigned char> leaf_;  // the leaf being filled
    int inLeaf_ = 0;
    std::vector<std::uint32_t> leafPages_;
    std::string leafLastKeys_;  // keyLength_ bytes per leaf
};

class MdxFile {
  public:
    static constexpr int kMaxTags = 47;
    static constexpr int kMaxTagNameLength = 10;

    // Writes a whole index file with these tags, replacing any file at path.
    // Tag names are upper-cased; a name that is empty, too long, not letters,
    // digits and "_", or given twice throws Error::Kind::InvalidValue.
    // The new file is written beside the old one, put on disk and renamed
    // over it.
    static void write(const std::string& path, const std::string& tableName,
                      const std::vector<MdxTagBuild>& tags);

    // Opens an existing index and reads its tag list. Throws NotFound when it
    // cannot be opened, IndexDamaged when the header or a tag header is
    // impossible, Unsupported for a block size other than 1024 bytes.
    MdxFile(const std::string& path, bool writable);
    ~MdxFile();
    MdxFile(const MdxFile&) = delete;
    MdxFile& operator=(const MdxFile&) = delete;

    const std::string& path() const { return path_; }
    const std::vector<MdxTagInfo>& tags() const { return tags_; }
    // Whether the keys were made by the code page's letter case (see
    // mdx_layout.h), and recording that they now are.
    bool caseFoldedByCodePage() const { return caseFoldedByCodePage_; }
    void markCaseFoldedByCodePage();
    // Users changing the file in place (see mdx_layout.h), as counted when it
    // was opened: above zero with nobody else using the table, a change was
    // left part-way.
    int changersAtOpen() const { return changersAtOpen_; }
    // Takes this object off the count of changers again (it counted itself
    // at its first change): after every change of its is on disk, with the
    // index lock held. Throws Error::Kind::Io.
    void endChanges();
    // The count of changers of an index file that may be too damaged to
    // open; 0 when it cannot be read.
    static int changersOf(const std::string& path) noexcept;
    int findTag(std::string_view name) const;  // without regard to case; -1 if absent

    // Visits every entry of a tag in order, checking the tree on the way.
    // maxRecNo > 0 also refuses record numbers above it and any record named
    // twice. Throws IndexDamaged.
    // `strict` also demands what this engine itself always keeps: every
    // separator equal to the last key below it and no block but the root
    // without keys.
    void forEach(int tag, const std::function<void(std::string_view key, std::uint32_t recNo)>& fn,
                 std::uint32_t maxRecNo = 0, bool strict = false) const;
    // Checks the whole tag (see forEach) and returns its number of entries.
    std::uint64_t check(int tag, std::uint32_t maxRecNo = 0, bool strict = false) const;
    // The depth of the tag's tree: 1 while the root is a leaf.
    int depth(int tag) const;

    // The first entry (key, recNo) not below the given key; false at the end.
    bool seek(int tag, std::string_view key, std::string* foundKey,
              std::uint32_t* foundRecNo) const;

    // Adds an entry after the entries of lower keys and of equal keys with
    // lower record numbers.
    void insert(int tag, std::string_view key, std::uint32_t recNo);
    // Removes one entry; false when it is not in the tag.
    bool remove(int tag, std::string_view key, std::uint32_t recNo);

    // Puts the changes made so far on disk. Throws Error::Kind::Io.
    void sync();
    // Closes the file, reporting a failure (Error::Kind::Io).
    void close();

  private:
    struct Node;
    struct Path;
    void readHeader();
    void refreshSize() const;
    void readBlock(std::uint32_t page, unsigned char* block) const;
    void writeBlock(std::uint32_t page, const unsigned char* block);
    Node loadNode(int tag, std::uint32_t page) const;
    void storeNode(int tag, const Node& node);
    void reserveBlocks(size_t count, std::vector<std::uint32_t>& pages);
    std::uint32_t rootPage(int tag) const;
    void setRoot(int tag, std::uint32_t root, bool hasKeys, int pagesDelta);
    bool seekPath(int tag, std::string_view key, std::uint32_t recNo, Path& path) const;
    void updateSeparators(int tag, Path& path, size_t level, const std::string& newMax);
    void removeChild(int tag, Path& path, size_t level);
    void touchHeader();
    void beginChanges();
    [[noreturn]] void damaged(const std::string& why) const;

    std::string path_;
    mutable OsFile file_;  // mutable for the locks of walks
    bool writable_ = false;
    // What the file holds, looked at again by every operation: other users
    // may have added blocks.
    mutable std::uint64_t fileSize_ = 0;
    mutable std::uint32_t pageCount_ = 0;
    std::vector<MdxTagInfo> tags_;
    bool caseFoldedByCodePage_ = false;
    int changersAtOpen_ = 0;
    bool counted_ = false;  // this object added itself to the changers on disk
};

}  // namespace dbase
