#include "dbase/index_set.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "dbase/error.h"
#include "dbase/file_names.h"
#include "dbase/index_build.h"
#include "dbase/mdx_layout.h"

namespace dbase {

IndexSet::IndexSet(const std::string& path, const std::vector<Field>& fields, bool writable,
                   const CodePage* codePage)
    : file_(std::make_unique<MdxFile>(path, writable)) {
    for (const MdxTagInfo& t : file_->tags()) {
        if (t.flagsDamaged)
            throw Error(
                Error::Kind::IndexDamaged,
                "The index file is damaged: the flags of tag " + t.name + " contradict each other.",
                path);
        if (t.unique || t.hasFilter)
            throw Error(Error::Kind::Unsupported,
                        "The index tag " + t.name + " is " +
                            (t.unique ? "a unique tag" : "limited by a FOR condition") +
                            ", which this program cannot keep up to date.",
                        path);
        try {
            expressions_.push_back(Expression::compile(t.expression, fields, codePage));
        } catch (const Error& e) {
            // A function only other programs have is their tag; anything
            // else that does not compile (stray bytes, an unknown field or
            // function name) is a damaged expression.
            if (!Expression::callsOtherProgramsFunction(t.expression))
                throw Error(Error::Kind::IndexDamaged,
                            "The index file is damaged: the expression of tag " + t.name +
                                " cannot be read.\n" + e.message(),
                            path);
            throw Error(Error::Kind::InvalidExpression,
                        "The index tag " + t.name +
                            " has an expression this program cannot evaluate, so it could not "
                            "keep the tag up to date.\n" +
                            e.what(),
                        path);
        }
        const Expression& e = expressions_.back();
        if (e.type() != t.keyType || e.width() != t.keyLength)
            throw Error(Error::Kind::IndexDamaged,
                        "The index tag " + t.name + " does not match its expression \"" +
                            t.expression + "\".",
                        path);
    }
}

IndexSet::~IndexSet() = default;

std::vector<std::string> IndexSet::tagNames() const {
    std::vector<std::string> names;
    for (const MdxTagInfo& t : file_->tags())
        names.push_back(t.name);
    return names;
}

std::vector<TagDefinition> IndexSet::definitions() const {
    std::vector<TagDefinition> defs;
    for (const MdxTagInfo& t : file_->tags())
        defs.push_back({t.name, t.expression, t.descending});
    return defs;
}

std::vector<std::uint32_t> IndexSet::order(int tag, std::uint32_t recordCount, bool complete,
                                           std::vector<std::uint32_t>* missing) const {
    std::vector<std::uint32_t> recs;
    recs.reserve(recordCount);
    // Every record is in every tag, deleted ones too; a record number beyond
    // the table means the index and the table have parted ways.
    file_->forEach(
        tag, [&recs](std::string_view, std::uint32_t r) { recs.push_back(r); }, recordCount);
    if (missing != nullptr) {
        missing->clear();
        if (recs.size() < recordCount) {  // no record twice: these are the absent ones
            std::vector<bool> listed(static_cast<size_t>(recordCount) + 1, false);
            for (std::uint32_t r : recs)
                listed[r] = true;
            for (std::uint32_t r = 1; r <= recordCount; ++r)
                if (!listed[r])
                    missing->push_back(r);
        }
        return recs;
    }
    if ((complete || recordCount == 0) && recs.size() != recordCount)
        throw Error(Error::Kind::IndexDamaged,
                    "The index tag " + file_->tags()[static_cast<size_t>(tag)].name + " holds " +
                        std::to_string(recs.size()) + " records; the table holds " +
                        std::to_string(recordCount) + ".",
                    file_->path());
    return recs;
}

void IndexSet::insertRecord(int tag, std::uint32_t recNo, const unsigned char* record) {
    expressions_.at(static_cast<size_t>(tag)).key(record, after_);
    file_->insert(tag, after_, recNo);
}

bool IndexSet::tagHolds(int tag, std::uint32_t recNo) const {
    bool found = false;
    file_->forEach(tag, [&found, recNo](std::string_view, std::uint32_t r) {
        if (r == recNo)
            found = true;
    });
    return found;
}

void IndexSet::recordAdded(std::uint32_t recNo, const unsigned char* record) {
    for (size_t i = 0; i < expressions_.size(); ++i) {
        expressions_[i].key(record, after_);
        file_->insert(static_cast<int>(i), after_, recNo);
    }
}

bool IndexSet::recordChanged(std::uint32_t recNo, const unsigned char* before,
                             const unsigned char* after) {
    const bool moved = removeMovingKeys(recNo, before, after);
    if (moved)
        addMovedKeys(recNo, after);
    return moved;
}

bool IndexSet::removeMovingKeys(std::uint32_t recNo, const unsigned char* before,
                                const unsigned char* after) {
    moving_.assign(expressions_.size(), false);
    bool moved = false;
    for (size_t i = 0; i < expressions_.size(); ++i) {
        expressions_[i].key(before, before_);
        expressions_[i].key(after, after_);
        if (before_ == after_)
            continue;  // the deleted flag alone never moves a key
        // Not under its old key and not in the tag at all: a writer killed
        // part-way left the record out, and it simply goes in below.
        if (!file_->remove(static_cast<int>(i), before_, recNo) &&
            tagHolds(static_cast<int>(i), recNo))
            throw Error(Error::Kind::IndexDamaged,
                        "The index tag " + file_->tags()[i].name + " does not hold record " +
                            std::to_string(recNo) + " under its old key.",
                        file_->path());
        moving_[i] = true;
        moved = true;
    }
    return moved;
}

void IndexSet::addMovedKeys(std::uint32_t recNo, const unsigned char* after) {
    for (size_t i = 0; i < expressions_.size() && i < moving_.size(); ++i) {
        if (!moving_[i])
            continue;
        expressions_[i].key(after, after_);
        file_->insert(static_cast<int>(i), after_, recNo);
    }
    moving_.clear();
}

size_t IndexSet::refoldCase(std::uint32_t recordCount, const RecordReader& read) {
    size_t moved = 0;
    for (size_t i = 0; i < expressions_.size(); ++i) {
        if (!expressions_[i].foldsCase() || expressions_[i].type() != KeyType::Character)
            continue;
        // Only keys holding a non-ASCII byte can differ between the rules.
        std::vector<std::pair<std::string, std::uint32_t>> suspects;
        file_->forEach(static_cast<int>(i), [&](std::string_view key, std::uint32_t r) {
            if (r <= recordCount && std::any_of(key.begin(), key.end(), [](char c) {
                    return static_cast<unsigned char>(c) >= 0x80;
                }))
                suspects.emplace_back(key, r);
        });
        for (const auto& [key, r] : suspects) {
            expressions_[i].key(read(r), after_);
            if (after_ == key)
                continue;
            if (file_->remove(static_cast<int>(i), key, r))
                file_->insert(static_cast<int>(i), after_, r);
            ++moved;
        }
    }
    file_->markCaseFoldedByCodePage();
    return moved;
}

IndexDefinitions IndexSet::readDefinitions(const std::string& path) {
    IndexDefinitions out;
    try {
        MdxFile f(path, false);
        for (const MdxTagInfo& t : f.tags())
            out.tags.push_back({t.name, t.expression, t.descending});
        return out;
    } catch (const Error& e) {
        if (e.kind() != Error::Kind::IndexDamaged)
            throw;
    }
    // A damaged header or tag header: every slot of the tag table is looked
    // at; a tag whose header block holds a legible expression can be rebuilt,
    // one that only has its name left is listed as unreadable.
    using namespace mdx;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(Error::Kind::NotFound, "Cannot open the index file.", path);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    // The count of tags is believed when the tag table looks whole; otherwise
    // the slots are read up to the first empty one.
    int slots = MdxFile::kMaxTags;
    bool counted = false;
    if (data.size() >= static_cast<size_t>(kFirstBlockPage) * kPage &&
        bytes[header::kSlotLength] == slot::kLength &&
        get16(bytes + header::kTagsInUse) <= MdxFile::kMaxTags) {
        slots = get16(bytes + header::kTagsInUse);
        counted = true;
    }
    auto validName = [](const std::string& n) {
        return !n.empty() && n.size() <= static_cast<size_t>(MdxFile::kMaxTagNameLength) &&
               std::isalpha(static_cast<unsigned char>(n[0])) &&
               std::all_of(n.begin(), n.end(), [](char c) {
                   return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
               });
    };
    auto legible = [](const unsigned char* text, size_t size) {
        const auto* end = static_cast<const unsigned char*>(std::memchr(text, 0, size));
        return end != nullptr && end != text &&
               std::all_of(text, end, [](unsigned char c) { return c >= 0x20 && c != 0x7F; });
    };
    for (int i = 0; i < slots; ++i) {
        const size_t s = static_cast<size_t>(slot::kFirst + slot::kLength * i);
        if (s + slot::kLength > data.size()) {
            out.unnamed += counted ? slots - i : 0;
            break;
        }
        const unsigned char* p = bytes + s;
        if (!counted && std::all_of(p, p + slot::kLength, [](unsigned char c) { return c == 0; }))
            break;
        std::string name(data.data() + s + slot::kName, 11);
        name = name.substr(0, name.find('\0'));
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (!validName(name)) {
            if (counted)
                ++out.unnamed;
            continue;
        }
        const std::uint64_t at = static_cast<std::uint64_t>(get32(p + slot::kHeaderPage)) * kPage;
        if (at < kFirstBlockPage * kPage || at + kBlock > data.size() ||
            !legible(bytes + at + tag::kExpression, tag::kExpressionLength)) {
            out.unreadable.push_back(name);
            continue;
        }
        const std::string expr(data.data() + at + tag::kExpression);
        const bool descending = (bytes[at + tag::kFormat] & tag::kFormatDescending) != 0;
        out.tags.push_back({name, expr, descending});
    }
    out.tagListLegible = counted || !out.tags.empty() || !out.unreadable.empty();
    return out;
}

IndexBuilder::IndexBuilder(const std::vector<Field>& fields, const std::vector<TagDefinition>& tags,
                           const std::string& spillDirectory, size_t memoryBudget,
                           const CodePage* codePage) {
    for (const TagDefinition& t : tags)
        expressions_.push_back(
            std::make_unique<Expression>(Expression::compile(t.expression, fields, codePage)));
    // The memory for sorting is shared by the tags.
    const size_t budget = memoryBudget / std::max<size_t>(tags.size(), 1);
    builders_.reserve(tags.size());
    for (size_t i = 0; i < tags.size(); ++i)
        builders_.emplace_back(tags[i].name, *expressions_[i], tags[i].descending, budget,
                               spillDirectory);
}

IndexBuilder::~IndexBuilder() = default;

void IndexBuilder::add(const unsigned char* record, std::uint32_t recNo) {
    for (TagBuilder& b : builders_)
        b.add(record, recNo);
}

void IndexBuilder::write(const std::string& path, const std::string& tableName) {
    try {
        MdxWriter w(path, tableName);
        for (TagBuilder& b : builders_) {
            w.beginTag(b.name(), b.expressionText(), b.keyType(), b.keyLength(), b.descending());
            b.finish([&w](std::string_view key, std::uint32_t recNo) { w.add(key, recNo); });
            w.endTag();
        }
        w.finish();
    } catch (...) {
        OsFile::discard(path);
        throw;
    }
}

void IndexSet::rebuild(const std::string& path, const std::string& tableName,
                       const std::vector<Field>& fields, const std::vector<TagDefinition>& tags,
                       std::uint32_t recordCount, const RecordReader& read,
                       const CodePage* codePage) {
    IndexBuilder builder(fields, tags, directoryOf(path), IndexBuilder::kDefaultBudget, codePage);
    // One pass over the table feeds every tag.
    for (std::uint32_t r = 1; r <= recordCount; ++r)
        builder.add(read(r), r);
    builder.replace(path, tableName);
}

void IndexBuilder::replace(const std::string& path, const std::string& tableName) {
    // Written beside the old file, put on disk and renamed over it: a crash
    // leaves one or the other.
    const std::string temp = path + ".new";
    write(temp, tableName);
    try {
        OsFile::replace(temp, path);
    } catch (const Error& e) {
        OsFile::discard(temp);
        throw Error(e.kind() == Error::Kind::DiskFull ? e.kind() : Error::Kind::Io,
                    "Cannot replace the index file: " + e.message(), path);
    }
}

}  // namespace dbase
