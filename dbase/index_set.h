// The production index of an open table: the index file with every tag's
// expression compiled against the table's fields, kept current as records
// are added and changed.
//
// Opening refuses an index whose tags the engine cannot keep current (an
// expression it cannot evaluate, a unique tag or a tag with a FOR condition)
// with a clear error, rather than letting those tags go stale.
//
// Whole-file operations (rebuild(), which also adds and deletes tags) write
// a complete new file from the table's records and rename it over the old
// one; they never touch the table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dbase/expr.h"
#include "dbase/field.h"
#include "dbase/mdx_file.h"

namespace dbase {

// A tag as the table knows it: its name and its expression.
struct TagDefinition {
    std::string name;
    std::string expression;
    bool descending = false;
};

class TagBuilder;

// Builds a whole index file from a table's records, one pass feeding every
// tag, in bounded memory (see TagBuilder).
class IndexBuilder {
  public:
    // Compiles every expression first: a bad one throws InvalidExpression
    // before anything is written. Sorting spills to the given folder. Keys
    // are made with the table's code page (Windows-1252 when none is given).
    IndexBuilder(const std::vector<Field>& fields, const std::vector<TagDefinition>& tags,
                 const std::string& spillDirectory, size_t memoryBudget = kDefaultBudget,
                 const CodePage* codePage = nullptr);
    static constexpr size_t kDefaultBudget = size_t{48} << 20;
    ~IndexBuilder();
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    // Records in ascending record-number order.
    void add(const unsigned char* record, std::uint32_t recNo);
    // Writes the index file at exactly this path (replacing any file there)
    // and puts it on disk; the caller gives it its final name. A file left
    // by a failure is removed.
    void write(const std::string& path, const std::string& tableName);
    // Writes the index file beside `path`, puts it on disk and renames it
    // over `path`: a crash leaves the old file or the new one.
    void replace(const std::string& path, const std::string& tableName);

  private:
    std::vector<std::unique_ptr<Expression>> expressions_;
    std::vector<TagBuilder> builders_;
};

// What a possibly damaged index file still tells of its tags.
struct IndexDefinitions {
    std::vector<TagDefinition> tags;      // name and expression legible
    std::vector<std::string> unreadable;  // named, but the definition cannot be read
    int unnamed = 0;                      // tag-table entries whose name cannot be read
    bool tagListLegible = true;           // false: the tag table itself is beyond reading
};

class IndexSet {
  public:
    // The bytes of record recNo (1-based, deleted flag first); the pointer is
    // used before the next call.
    using RecordReader = std::function<const unsigned char*(std::uint32_t recNo)>;

    // Opens the index file at path for a table with these fields. Throws
    // NotFound; IndexDamaged for a damaged header or tag table, a tag whose
    // expression or flags are damaged, or one that does not fit the table;
    // Unsupported or InvalidExpression for a tag of another program that the
    // engine cannot keep current (unique, with a FOR condition, or calling a
    // function the engine does not have).
    // Keys are made with the table's code page (Windows-1252 when none is given).
    IndexSet(const std::string& path, const std::vector<Field>& fields, bool writable,
             const CodePage* codePage = nullptr);
    ~IndexSet();

    const std::string& path() const { return file_->path(); }
    std::vector<std::string> tagNames() const;
    std::vector<TagDefinition> definitions() const;
    int findTag(std::string_view name) const { return file_->findTag(name); }

    // The record numbers of a tag in its order. Checks the whole tree on the
    // way: record numbers above recordCount are damage, and so, when
    // `complete` (nobody else can be adding records), is any record missing.
    // With `missing`, records absent from the tag are listed there instead
    // of being reported (they are always reported when the walk finds other
    // damage, or a record named twice).
    std::vector<std::uint32_t> order(int tag, std::uint32_t recordCount, bool complete,
                                     std::vector<std::uint32_t>* missing = nullptr) const;
    // Puts one record's key into one tag (a record found missing from it).
    void insertRecord(int tag, std::uint32_t recNo, const unsigned char* record);
    size_t tagCount() const { return expressions_.size(); }

    // Keeps every tag current: a new record, or a record whose bytes changed.
    // recordChanged() tells whether any key moved.
    void recordAdded(std::uint32_t recNo, const unsigned char* record);
    bool recordChanged(std::uint32_t recNo, const unsigned char* before,
                       const unsigned char* after);
    // recordChanged() in two steps, for a table that writes the record in
    // between: the record leaves the tags whose key changes, then joins them
    // under its new key. A writer killed between the steps leaves the record
    // missing from a tag, which walking the tag reports, rather than a key
    // that no longer matches its record, which nothing would notice. A tag
    // found without the record at all (such a writer's gap) simply gets the
    // new key.
    bool removeMovingKeys(std::uint32_t recNo, const unsigned char* before,
                          const unsigned char* after);
    void addMovedKeys(std::uint32_t recNo, const unsigned char* after);

    // Puts the changes made so far on disk; closes the file. Both throw
    // Error::Kind::Io.
    void sync() { file_->sync(); }
    void close() { file_->close(); }
    // The users changing the file in place when it was opened, and this
    // one's leaving their count (see MdxFile).
    int changersAtOpen() const { return file_->changersAtOpen(); }
    void endChanges() { file_->endChanges(); }

    // An index written before letter case followed the code page has tags
    // whose keys made by UPPER or LOWER kept non-ASCII letters as they were.
    // This moves every such entry to the key its record has now (reading
    // only those records; up to recordCount), and marks the file so that
    // the tags are not looked at again. Returns the entries moved.
    bool caseFoldedByCodePage() const { return file_->caseFoldedByCodePage(); }
    size_t refoldCase(std::uint32_t recordCount, const RecordReader& read);

    // The tags an index file holds, as far as they can be read: from a file
    // whose header or tag table is damaged, whatever tags are still legible,
    // and the names of those that are not. Throws NotFound when the file
    // cannot be opened.
    static IndexDefinitions readDefinitions(const std::string& path);

    // Writes the index file anew with these tags, keys computed from the
    // table's records 1..recordCount. Every expression is compiled first, so
    // a bad one throws InvalidExpression before anything is written.
    static void rebuild(const std::string& path, const std::string& tableName,
                        const std::vector<Field>& fields, const std::vector<TagDefinition>& tags,
                        std::uint32_t recordCount, const RecordReader& read,
                        const CodePage* codePage = nullptr);

  private:
    bool tagHolds(int tag, std::uint32_t recNo) const;

    std::unique_ptr<MdxFile> file_;
    std::vector<Expression> expressions_;  // one per tag of the file
    std::string before_, after_;           // reused key buffers
    std::vector<bool> moving_;             // per tag: the key left by removeMovingKeys()
};

}  // namespace dbase
