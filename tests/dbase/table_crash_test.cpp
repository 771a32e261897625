// Crashes and failing disks: a fixed run of changes (append, edit, delete,
// pack, tag build) on an indexed table, with a fault put at every write
// point in turn (a failed write, a failed sync, a full disk, a power cut, a
// write torn by a power cut). After each, the table is reopened and must
// hold every change that was acknowledged, nothing else, and tags that agree
// with the records: an index a stopped change left part-way is rebuilt by
// the reopening, never left for the user to repair, never silently wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "dbase/error.h"
#include "dbase/mdx_file.h"
#include "dbase/pack_in_place.h"
#include "dbase/table.h"
#include "fault_file_system.h"
#include "mdx_test_util.h"
#include "table_test_util.h"

namespace {

using dbase::Error;
using dbase::OpenMode;
using dbase::Table;
using tktest::FaultFileSystem;
using Fault = FaultFileSystem::Fault;

struct Book {
    std::string title;
    int year = 0;
    bool deleted = false;
    bool operator==(const Book&) const = default;
};

// What the files hold: every physical record, and the tags.
struct State {
    std::vector<Book> books;
    std::vector<std::string> tags;
    bool operator==(const State&) const = default;
};

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string padded(std::string s, size_t width) {
    s.resize(width, ' ');
    return s;
}

// The key of a tag for a book, as the tag's expression makes it.
std::string keyOf(const std::string& tag, const Book& b) {
    char year[16];
    std::snprintf(year, sizeof year, "%8d", b.year);
    if (tag == "TITLE")
        return upper(padded(b.title, 30));
    if (tag == "YEAR")
        return year + upper(padded(b.title, 20));
    return upper(padded(b.title, 20)) + year;  // BOTH
}

const std::map<std::string, std::string> kExpressions = {
    {"TITLE", "UPPER(TITLE)"},
    {"YEAR", "STR(YEARPUB,8,0)+UPPER(LEFT(TITLE,20))"},
    {"BOTH", "UPPER(LEFT(TITLE,20))+STR(YEARPUB,8,0)"},
};

// One change, made on the open table and on the model.
struct Change {
    std::string name;
    std::function<void(Table&)> make;
    std::function<void(State&)> model;
};

void appendTo(Table& t, const std::string& title, int year) {
    t.append();
    t.setString(t.fieldIndex("TITLE"), title);
    t.setFloat(t.fieldIndex("YEARPUB"), year);
    t.post();
}

void editIn(Table& t, std::uint32_t recNo, const std::string& title, int year) {
    if (!t.gotoRecNo(recNo))
        throw std::runtime_error("no record " + std::to_string(recNo));
    t.edit();
    t.setString(t.fieldIndex("TITLE"), title);
    t.setFloat(t.fieldIndex("YEARPUB"), year);
    t.post();
}

std::vector<Change> changes() {
    std::vector<Change> c;
    c.push_back({"append", [](Table& t) { appendTo(t, "Crash one", 1990); },
                 [](State& s) {
                     s.books.push_back({"Crash one", 1990});
                 }});
    c.push_back({"edit moving both keys", [](Table& t) { editIn(t, 3, "Aardvark", 1903); },
                 [](State& s) { s.books[2].title = "Aardvark"; }});
    c.push_back({"delete",
                 [](Table& t) {
                     t.gotoRecNo(5);
                     t.deleteRecord();
                 },
                 [](State& s) { s.books[4].deleted = true; }});
    c.push_back({"append", [](Table& t) { appendTo(t, "Crash two", 1950); },
                 [](State& s) {
                     s.books.push_back({"Crash two", 1950});
                 }});
    c.push_back({"edit moving one key", [](Table& t) { editIn(t, 7, "Book 7", 2001); },
                 [](State& s) { s.books[6].year = 2001; }});
    c.push_back(
        {"pack", [](Table& t) { t.pack(); },
         [](State& s) { std::erase_if(s.books, [](const Book& b) { return b.deleted; }); }});
    c.push_back({"tag build", [](Table& t) { t.addIndexTag("BOTH", kExpressions.at("BOTH")); },
                 [](State& s) { s.tags.push_back("BOTH"); }});
    c.push_back({"append", [](Table& t) { appendTo(t, "Crash three", 1975); },
                 [](State& s) {
                     s.books.push_back({"Crash three", 1975});
                 }});
    return c;
}

constexpr int kBaseRecords = 40;  // leaves full: the first insert splits one

State baseState() {
    State s;
    for (int i = 1; i <= kBaseRecords; ++i)
        s.books.push_back({"Book " + std::to_string(i), 1900 + i});
    s.tags = {"TITLE", "YEAR"};
    return s;
}

// The table every run starts from, kept as bytes.
struct BaseFiles {
    std::vector<std::uint8_t> dbf, mdx;
};

BaseFiles makeBase() {
    tktest::TempDir dir;
    const std::string path = dir.file("books.dbf");
    Table::create(path, tktest::sampleFields());
    Table t;
    t.setFileName(path);
    t.setMode(OpenMode::Exclusive);
    t.open();
    t.beginBulk();
    for (const Book& b : baseState().books)
        appendTo(t, b.title, b.year);
    t.endBulk();
    t.addIndexTag("TITLE", kExpressions.at("TITLE"));
    t.addIndexTag("YEAR", kExpressions.at("YEAR"));
    t.close();
    return {tktest::readBytes(path), tktest::readBytes(dir.file("books.mdx"))};
}

State readState(Table& t) {
    State s;
    t.setIndexTag("");
    for (std::uint32_t r = 1; r <= t.physicalRecordCount(); ++r) {
        Book b;
        b.title = t.stringAt(r, t.fieldIndex("TITLE"));
        b.year = std::stoi("0" + t.stringAt(r, t.fieldIndex("YEARPUB")));
        b.deleted = !t.gotoRecNo(r);
        s.books.push_back(b);
    }
    s.tags = t.indexTags();
    return s;
}

// What the reopened table shows of its tags.
enum class TagVerdict { Consistent, ReportedDamaged, SilentlyWrong };

TagVerdict checkTags(Table& t, const State& s, const std::string& base, bool outside,
                     std::string* why) {
    const std::uint32_t count = t.physicalRecordCount();
    try {
        dbase::MdxFile index(t.indexFileName(), false);
        for (const std::string& tag : s.tags) {
            const int ti = index.findTag(tag);
            if (ti < 0) {
                *why = "tag " + tag + " is missing";
                return TagVerdict::SilentlyWrong;
            }
            index.check(ti, count, true);
        }
        for (const std::string& tag : s.tags) {
            t.setIndexTag(tag);
            std::vector<std::uint32_t> shown;
            for (t.first(); !t.eof(); t.next())
                shown.push_back(t.recNo());
            std::vector<std::uint32_t> expected;
            for (std::uint32_t r = 1; r <= s.books.size(); ++r)
                if (!s.books[r - 1].deleted)
                    expected.push_back(r);
            std::stable_sort(expected.begin(), expected.end(),
                             [&](std::uint32_t a, std::uint32_t b) {
                                 return keyOf(tag, s.books[a - 1]) < keyOf(tag, s.books[b - 1]);
                             });
            if (shown != expected) {
                *why = "tag " + tag + " shows the records in a wrong order:";
                for (std::uint32_t r : shown)
                    *why += " " + std::to_string(r);
                *why += " instead of";
                for (std::uint32_t r : expected)
                    *why += " " + std::to_string(r);
                return TagVerdict::SilentlyWrong;
            }
            if (outside) {
                std::string out;
                if (mdxtest::run("/usr/bin/python3 " + mdxtest::toolsDir() + "/dbfmdx.py check " +
                                     base + " " + tag,
                                 &out) != 0) {
                    *why = "the outside checker refuses tag " + tag + ": " + out;
                    return TagVerdict::SilentlyWrong;
                }
            }
        }
        t.setIndexTag("");
    } catch (const Error& e) {
        if (e.kind() != Error::Kind::IndexDamaged)
            throw;
        *why = e.message();
        t.setIndexTag("");
        return TagVerdict::ReportedDamaged;
    }
    return TagVerdict::Consistent;
}

struct Tally {
    int points = 0;
    int lost = 0;                         // runs that lost an acknowledged change
    int changedOther = 0;                 // runs whose files hold something no change made
    int reported = 0;                     // runs after which the engine reported a damaged index
    int silent = 0;                       // runs whose tags were wrong without the engine noticing
    int manual = 0;                       // runs that needed a regenerate (or worse) to go on
    std::map<std::string, int> byChange;  // where the damage was reported
};

class CrashTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { base_ = new BaseFiles(makeBase()); }
    static void TearDownTestSuite() {
        delete base_;
        base_ = nullptr;
    }

    // The changes with a fault armed; returns how many were acknowledged.
    size_t runChanges(FaultFileSystem& fs, Fault fault, std::uint64_t n, const std::string& path,
                      std::string* failure) {
        fs.arm(fault, n);
        const std::vector<Change> list = list_();
        size_t acked = 0;
        {
            Table t;
            t.setFileName(path);
            t.setMode(OpenMode::Exclusive);
            try {
                t.open();
                for (const Change& c : list) {
                    c.make(t);
                    ++acked;
                }
            } catch (const Error& e) {
                *failure = e.message();
            }
            try {
                t.close();
            } catch (const Error&) {
            }
        }
        return acked;
    }

    // The files a run starts from: the base table, with the records of
    // deleted_ deleted.
    void startFiles(const tktest::TempDir& dir) const {
        const std::string path = dir.file("books.dbf");
        tktest::writeBytes(path, base_->dbf);
        tktest::writeBytes(dir.file("books.mdx"), base_->mdx);
        if (deleted_.empty())
            return;
        Table t;
        t.setFileName(path);
        t.setMode(OpenMode::Exclusive);
        t.open();
        for (std::uint32_t r : deleted_) {
            t.gotoRecNo(r);
            t.deleteRecord();
        }
        t.close();
    }
    State startState() const {
        State s = baseState();
        for (std::uint32_t r : deleted_)
            s.books[r - 1].deleted = true;
        return s;
    }

    // Every write point under every fault, every sync failing; one run in
    // sixteen has its tags checked by the outside checker too.
    void runEveryFault(std::uint64_t writes, std::uint64_t syncs, Tally& tally) {
        int run = 0;
        for (Fault fault : {Fault::FailWrite, Fault::DiskFull, Fault::Killed, Fault::PowerCut,
                            Fault::TornWrite}) {
            for (std::uint64_t n = 1; n <= writes; ++n)
                runOnce(fault, n, ++run % 16 == 0, tally);
        }
        for (std::uint64_t n = 1; n <= syncs; ++n)
            runOnce(Fault::FailSync, n, false, tally);
    }

    void runOnce(Fault fault, std::uint64_t n, bool outside, Tally& tally) {
        tktest::TempDir dir;
        const std::string path = dir.file("books.dbf");
        startFiles(dir);
        std::string failure;
        size_t acked = 0;
        {
            FaultFileSystem fs;
            fs.watch(dir.path());
            acked = runChanges(fs, fault, n, path, &failure);
            // After a failed sync the power goes too: whatever was acknowledged
            // must have reached the disk.
            if (fs.powerIsOff() || fault == Fault::FailSync)
                fs.powerCut();
            fs.disarm();
        }
        ++tally.points;
        const std::vector<Change> list = list_();
        State before = startState();
        for (size_t i = 0; i < acked; ++i)
            list[i].model(before);
        State after = before;
        if (acked < list.size())
            list[acked].model(after);
        const std::string where = acked < list.size() ? list[acked].name : "after the last change";
        const std::string label = "fault " + std::to_string(static_cast<int>(fault)) + " at " +
                                  std::to_string(n) + " during " + where + " (" + failure + ")";

        Table t;
        t.setFileName(path);
        t.setMode(OpenMode::Exclusive);
        try {
            t.open();
        } catch (const Error& e) {
            ++tally.manual;
            ADD_FAILURE() << label << ": the table does not open: " << e.what();
            return;
        }
        const State found = readState(t);
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            const std::string name = e.path().filename().string();
            if (name.find(".pack") != std::string::npos)
                ADD_FAILURE() << label << ": the reopened table leaves " << name << " beside it";
        }
        if (found != before && found != after) {
            // Which acknowledged books are gone or different?
            bool lost = found.books.size() < before.books.size() && found != after;
            for (size_t i = 0; i < std::min(found.books.size(), before.books.size()); ++i)
                if (!(found.books[i] == before.books[i]) &&
                    (i >= after.books.size() || !(found.books[i] == after.books[i])))
                    lost = true;
            if (lost)
                ++tally.lost;
            else
                ++tally.changedOther;
            std::string shown;
            for (const Book& b : found.books)
                shown += " " + b.title.substr(5) + (b.deleted ? "*" : "");
            ADD_FAILURE() << label << ": the records are neither those before the change nor after:"
                          << shown;
            return;
        }
        std::string why;
        switch (checkTags(t, found, dir.file("books"), outside, &why)) {
            case TagVerdict::Consistent:
                return;
            case TagVerdict::SilentlyWrong:
                ++tally.silent;
                ADD_FAILURE() << label << ": " << why;
                return;
            case TagVerdict::ReportedDamaged:
                break;
        }
        ++tally.reported;
        ++tally.manual;
        ++tally.byChange[where];
        std::printf("  manual repair: %s: %s\n", label.c_str(), why.c_str());
        // Regenerating repairs it, and then the tags agree.
        t.regenerateIndexes();
        EXPECT_EQ(checkTags(t, found, dir.file("books"), outside, &why), TagVerdict::Consistent)
            << label << ": " << why;
    }

    // The changes every run makes, and the records deleted before.
    std::vector<Change> (*list_)() = changes;
    std::vector<std::uint32_t> deleted_;
    static BaseFiles* base_;
};

BaseFiles* CrashTest::base_ = nullptr;

TEST_F(CrashTest, EveryWritePointUnderEveryFault) {
    // A run without faults counts the write and sync points.
    std::uint64_t writes = 0, syncs = 0;
    {
        tktest::TempDir dir;
        const std::string path = dir.file("books.dbf");
        tktest::writeBytes(path, base_->dbf);
        tktest::writeBytes(dir.file("books.mdx"), base_->mdx);
        FaultFileSystem fs;
        fs.watch(dir.path());
        std::string failure;
        ASSERT_EQ(runChanges(fs, Fault::None, 0, path, &failure), changes().size()) << failure;
        writes = fs.writes();
        syncs = fs.syncs();
    }
    ASSERT_GT(writes, 20u);
    ASSERT_GT(syncs, 8u);

    Tally tally;
    runEveryFault(writes, syncs, tally);
    std::printf(
        "crash test: %d fault points (%llu writes x 5 faults + %llu syncs); acknowledged "
        "changes lost in %d runs, other changes in %d; index reported damaged in %d "
        "runs, silently wrong in %d; runs needing a manual repair: %d\n",
        tally.points, static_cast<unsigned long long>(writes),
        static_cast<unsigned long long>(syncs), tally.lost, tally.changedOther, tally.reported,
        tally.silent, tally.manual);
    for (const auto& [where, count] : tally.byChange)
        std::printf("  damage reported after a fault during %s: %d\n", where.c_str(), count);
    EXPECT_EQ(tally.lost, 0);
    EXPECT_EQ(tally.changedOther, 0);
    EXPECT_EQ(tally.silent, 0);
    // The next open puts right whatever a stopped change left of the index.
    EXPECT_EQ(tally.manual, 0);
}

// A pack, then an append.
std::vector<Change> packChanges() {
    std::vector<Change> c;
    c.push_back(
        {"pack", [](Table& t) { t.pack(); },
         [](State& s) { std::erase_if(s.books, [](const Book& b) { return b.deleted; }); }});
    c.push_back({"append", [](Table& t) { appendTo(t, "Crash one", 1990); },
                 [](State& s) {
                     s.books.push_back({"Crash one", 1990});
                 }});
    return c;
}

// An in-place pack stopped at each of its writes and syncs, by each kind of
// fault, in moves of a few records: the reopened table holds every record
// that stays exactly once, in order, or the table as it was before the
// pack; its tags agree; no journal is left.
TEST_F(CrashTest, PackInPlaceUnderEveryFault) {
    const dbase::PackChunkSizes saved = dbase::packChunkSizes;
    // The records of the test table are 58 bytes long.
    dbase::packChunkSizes = {3 * 58, 5 * 58, 2 * 58};
    struct Restore {
        dbase::PackChunkSizes sizes;
        ~Restore() { dbase::packChunkSizes = sizes; }
    } restore{saved};
    Tally tally;
    std::uint64_t allWrites = 0, allSyncs = 0;
    list_ = packChanges;
    const std::vector<std::vector<std::uint32_t>> deletions = {
        // Spread out: the first moves go through the journal, the later ones
        // (with room left by the deletions passed) straight to their place.
        {3, 4, 9, 15, 16, 17, 24, 25, 26, 27, 33, 38},
        // One near the start: every move goes through the journal.
        {2},
        // Near the end only: few records move.
        {36, 37, 40},
    };
    for (const auto& deleted : deletions) {
        deleted_ = deleted;
        std::uint64_t writes = 0, syncs = 0;
        {
            tktest::TempDir dir;
            const std::string path = dir.file("books.dbf");
            startFiles(dir);
            FaultFileSystem fs;
            fs.watch(dir.path());
            std::string failure;
            ASSERT_EQ(runChanges(fs, Fault::None, 0, path, &failure), list_().size()) << failure;
            writes = fs.writes();
            syncs = fs.syncs();
        }
        allWrites += writes;
        allSyncs += syncs;
        runEveryFault(writes, syncs, tally);
    }
    std::printf(
        "pack crash test: %d fault points (%llu writes x 5 faults + %llu syncs); records lost "
        "in %d runs, other changes in %d; index reported damaged in %d runs, silently wrong in "
        "%d\n",
        tally.points, static_cast<unsigned long long>(allWrites),
        static_cast<unsigned long long>(allSyncs), tally.lost, tally.changedOther, tally.reported,
        tally.silent);
    EXPECT_GT(allWrites, 60u);
    EXPECT_EQ(tally.lost, 0);
    EXPECT_EQ(tally.changedOther, 0);
    EXPECT_EQ(tally.silent, 0);
    EXPECT_EQ(tally.manual, 0);
}

}  // namespace

// A second process appends, edits and deletes on the indexed table, each
// change acknowledged once it is on disk, and is killed at a random moment,
// twenty times over. After each kill the table holds every acknowledged
// change, at most the one change in flight besides, and tags that agree with
// the records: the reopening rebuilds an index a kill left part-way.
TEST_F(CrashTest, KilledWriterKeepsEveryAcknowledgedChange) {
    tktest::TempDir dir;
    const std::string path = dir.file("books.dbf");
    tktest::writeBytes(path, base_->dbf);
    tktest::writeBytes(dir.file("books.mdx"), base_->mdx);
    State model = baseState();
    std::uint32_t seed = 20261207;
    auto random = [&seed](std::uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    Tally tally;
    int changes = 0;
    for (int round = 1; round <= 20; ++round) {
        tktest::Helper h({"mix", path, std::to_string(round * 7919), "3000"});
        ASSERT_EQ(h.readLine(), "ready");
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + random(120)));
        h.kill();
        h.wait();
        for (std::string line = h.readLine(); !line.empty(); line = h.readLine()) {
            char what[16], title[64];
            unsigned recNo = 0;
            int year = 0;
            if (line == "done" ||
                std::sscanf(line.c_str(), "ack %15s %u %63s %d", what, &recNo, title, &year) != 4)
                continue;
            ++changes;
            const std::string w = what;
            if (w == "append") {
                ASSERT_EQ(recNo, model.books.size() + 1) << line;
                model.books.push_back({title, year});
            } else if (w == "edit") {
                model.books.at(recNo - 1).title = title;
                model.books.at(recNo - 1).year = year;
            } else {
                model.books.at(recNo - 1).deleted = true;
            }
        }
        ++tally.points;

        Table t;
        t.setFileName(path);
        t.setMode(OpenMode::Exclusive);
        ASSERT_NO_THROW(t.open()) << "round " << round;
        State found = readState(t);
        // The change in flight may have reached the file: one record more,
        // or one record changed by the writer.
        size_t differing = 0;
        for (size_t i = 0; i < model.books.size() && i < found.books.size(); ++i)
            if (!(found.books[i] == model.books[i])) {
                ++differing;
                if (found.books[i].deleted != model.books[i].deleted) {
                    EXPECT_EQ(found.books[i].title, model.books[i].title) << "round " << round;
                } else {
                    EXPECT_EQ(found.books[i].title.substr(0, 1), "M") << "round " << round;
                }
            }
        ASSERT_GE(found.books.size(), model.books.size()) << "round " << round;
        differing += found.books.size() - model.books.size();
        if (found.books.size() > model.books.size()) {
            EXPECT_EQ(found.books.back().title.substr(0, 1), "M") << "round " << round;
        }
        if (differing > 1)
            ++tally.lost;
        EXPECT_LE(differing, 1u) << "round " << round << ": more than the change in flight";
        model = found;  // what the disk holds goes on

        std::string why;
        const TagVerdict v = checkTags(t, found, dir.file("books"), round % 5 == 0, &why);
        EXPECT_NE(v, TagVerdict::SilentlyWrong) << "round " << round << ": " << why;
        if (v == TagVerdict::ReportedDamaged) {
            ++tally.reported;
            ++tally.manual;
            t.regenerateIndexes();
            EXPECT_EQ(checkTags(t, found, dir.file("books"), false, &why), TagVerdict::Consistent)
                << why;
        }
    }
    std::printf(
        "kill test: %d kills after %d acknowledged changes; changes lost in %d rounds; "
        "index reported damaged after %d kills (regenerated)\n",
        tally.points, changes, tally.lost, tally.reported);
    EXPECT_GT(changes, 20);
    EXPECT_EQ(tally.reported, 0) << "a kill left an index the next open did not put right";
}
