#include "dbase/index_set.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "dbase/error.h"
#include "dbase/file_names.h"
#include "dbase/index_build.h"
#include "dbase/mdx_layout.h"

namespace dbase {

IndexSet::IndexSet(const std::string& path, const std::vector<Field>& fields, bool writable)
    : file_(std::make_unique<MdxFile>(path, writable)) {
    for (const MdxTagInfo& t : file_->tags()) {
        if (t.unique || t.hasFilter)
            throw Error(Error::Kind::Unsupported,
                        "The index tag " + t.name + " is " +
                            (t.unique ? "a unique tag" : "limited by a FOR condition") +
                            ", which this program cannot keep up to date.",
                        path);
        try {
            expressions_.push_back(Expression::compile(t.expression, fields));
        } catch (const Error& e) {
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

std::vector<std::uint32_t> IndexSet::order(int tag, std::uint32_t recordCount,
                                           bool complete) const {
    std::vector<std::uint32_t> recs;
    recs.reserve(recordCount);
    // Every record is in every tag, deleted ones too; a record number beyond
    // the table means the index and the table have parted ways.
    file_->forEach(
        tag, [&recs](std::string_view, std::uint32_t r) { recs.push_back(r); }, recordCount);
    if ((complete || recordCount == 0) && recs.size() != recordCount)
        throw Error(Error::Kind::IndexDamaged,
                    "The index tag " + file_->tags()[static_cast<size_t>(tag)].name + " holds " +
                        std::to_string(recs.size()) + " records; the table holds " +
                        std::to_string(recordCount) + ".",
                    file_->path());
    return recs;
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
        if (!file_->remove(static_cast<int>(i), before_, recNo))
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

std::vector<TagDefinition> IndexSet::readDefinitions(const std::string& path) {
    try {
        MdxFile f(path, false);
        std::vector<TagDefinition> defs;
        for (const MdxTagInfo& t : f.tags())
            defs.push_back({t.name, t.expression, t.descending});
        return defs;
    } catch (const Error& e) {
        if (e.kind() != Error::Kind::IndexDamaged)
            throw;
    }
    // A damaged header: take every slot that still names a tag whose header
    // block holds a terminated expression.
    using namespace mdx;
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<TagDefinition> defs;
    auto printable = [](const std::string& s) {
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
        });
    };
    for (int i = 0; i < MdxFile::kMaxTags; ++i) {
        const size_t s = static_cast<size_t>(slot::kFirst + slot::kLength * i);
        if (s + slot::kLength > data.size())
            break;
        const auto* p = reinterpret_cast<const unsigned char*>(data.data() + s);
        const std::uint64_t at = static_cast<std::uint64_t>(get32(p + slot::kHeaderPage)) * kPage;
        std::string name(data.data() + s + slot::kName, 11);
        name = name.substr(0, name.find('\0'));
        if (!printable(name) || at < kFirstBlockPage * kPage || at + kBlock > data.size())
            continue;
        std::string expr(data.data() + at + tag::kExpression, tag::kExpressionLength);
        const size_t end = expr.find('\0');
        if (end == std::string::npos)
            continue;
        expr.resize(end);
        if (!printable(expr))
            continue;
        const bool descending =
            (static_cast<unsigned char>(data[at + tag::kFormat]) & tag::kFormatDescending) != 0;
        defs.push_back({name, expr, descending});
    }
    return defs;
}

IndexBuilder::IndexBuilder(const std::vector<Field>& fields, const std::vector<TagDefinition>& tags,
                           const std::string& spillDirectory, size_t memoryBudget) {
    for (const TagDefinition& t : tags)
        expressions_.push_back(
            std::make_unique<Expression>(Expression::compile(t.expression, fields)));
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
                       std::uint32_t recordCount, const RecordReader& read) {
    IndexBuilder builder(fields, tags, directoryOf(path));
    // One pass over the table feeds every tag.
    for (std::uint32_t r = 1; r <= recordCount; ++r)
        builder.add(read(r), r);
    // Written beside the old file, put on disk and renamed over it: a crash
    // leaves one or the other.
    const std::string temp = path + ".new";
    builder.write(temp, tableName);
    try {
        OsFile::replace(temp, path);
    } catch (const Error& e) {
        OsFile::discard(temp);
        throw Error(Error::Kind::Io, "Cannot replace the index file: " + e.message(), path);
    }
}

}  // namespace dbase
