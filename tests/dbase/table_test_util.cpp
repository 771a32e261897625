#include "table_test_util.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace tktest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tk_dbase_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<dbase::FieldDef> sampleFields() {
    using dbase::FieldType;
    return {
        {"Title", FieldType::Character, 30, 0},   {"YearPub", FieldType::Numeric, 4, 0},
        {"Cost", FieldType::Numeric, 12, 2},      {"PurchDate", FieldType::Date, 8, 0},
        {"CheckOut", FieldType::Character, 3, 0},
    };
}

void appendBook(dbase::Table& t, const std::string& title, double year, double cost,
                dbase::Date date, const std::string& checkOut) {
    t.append();
    t.setString(t.fieldIndex("TITLE"), title);
    t.setFloat(t.fieldIndex("YEARPUB"), year);
    t.setFloat(t.fieldIndex("COST"), cost);
    t.setDate(t.fieldIndex("PURCHDATE"), date);
    t.setString(t.fieldIndex("CHECKOUT"), checkOut);
    t.post();
}

std::string makeSampleTable(const TempDir& dir, int n, const std::string& name) {
    const std::string path = dir.file(name);
    dbase::Table::create(path, sampleFields());
    dbase::Table t;
    t.setFileName(path);
    t.open();
    t.disableControls();
    t.beginBulk();
    for (int i = 1; i <= n; ++i) {
        appendBook(t, "Book " + std::to_string(i), 1900 + i, i * 1.5,
                   dbase::Date{2000, 1, (i % 28) + 1});
    }
    t.endBulk();
    t.enableControls();
    t.close();
    return path;
}

void openExclusive(dbase::Table& t, const std::string& path) {
    t.setFileName(path);
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> RawTable::bytes() const {
    int recordLength = 1;
    for (const Column& c : columns)
        recordLength += c.width;
    const int headerLength = 32 + 32 * static_cast<int>(columns.size()) + 1 + extraHeaderBytes;
    std::vector<std::uint8_t> out(static_cast<size_t>(headerLength), 0);
    out[0] = version;
    out[1] = 126;
    out[2] = 12;
    out[3] = 7;
    const auto count = static_cast<std::uint32_t>(records.size());
    for (int i = 0; i < 4; ++i)
        out[4 + static_cast<size_t>(i)] = static_cast<std::uint8_t>(count >> (8 * i));
    out[8] = static_cast<std::uint8_t>(headerLength & 0xFF);
    out[9] = static_cast<std::uint8_t>(headerLength >> 8);
    out[10] = static_cast<std::uint8_t>(recordLength & 0xFF);
    out[11] = static_cast<std::uint8_t>(recordLength >> 8);
    out[28] = productionIndex;
    out[29] = languageDriver;
    size_t pos = 32;
    for (const Column& c : columns) {
        for (size_t i = 0; i < c.name.size() && i < 10; ++i)
            out[pos + i] = static_cast<std::uint8_t>(c.name[i]);
        out[pos + 11] = static_cast<std::uint8_t>(c.type);
        out[pos + 16] = static_cast<std::uint8_t>(c.width & 0xFF);
        // A character field wider than 255 keeps the high byte of its width
        // in the decimals byte.
        out[pos + 17] = static_cast<std::uint8_t>(c.type == 'C' ? c.width >> 8 : c.decimals);
        pos += 32;
    }
    out[pos] = 0x0D;
    for (const std::string& r : records) {
        std::string padded = r;
        padded.resize(static_cast<size_t>(recordLength), ' ');
        out.insert(out.end(), padded.begin(), padded.end());
    }
    out.push_back(0x1A);
    return out;
}

std::vector<std::string> column(dbase::Table& t, const std::string& field) {
    std::vector<std::string> out;
    const int f = t.fieldIndex(field);
    for (t.first(); !t.eof(); t.next())
        out.push_back(t.asString(f));
    return out;
}

Helper::Helper(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> all{TK_DBASE_HELPER};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, TK_DBASE_HELPER, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
    if (rc != 0)
        throw std::runtime_error("cannot start the helper program");
}

Helper::~Helper() {
    closeInput();
    if (pid_ > 0) {
        kill();
        wait();
    }
    if (fromChild_ >= 0)
        ::close(fromChild_);
}

std::string Helper::readLine() {
    for (;;) {
        const size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return line;
        }
        char buf[256];
        const ssize_t got = ::read(fromChild_, buf, sizeof buf);
        if (got <= 0) {
            std::string rest = pending_;
            pending_.clear();
            return rest;
        }
        pending_.append(buf, static_cast<size_t>(got));
    }
}

void Helper::closeInput() {
    if (toChild_ >= 0) {
        ::close(toChild_);
        toChild_ = -1;
    }
}

void Helper::kill() {
    if (pid_ > 0)
        ::kill(pid_, SIGKILL);
}

int Helper::wait() {
    if (pid_ <= 0)
        return -1;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return -1;
}

}  // namespace tktest
