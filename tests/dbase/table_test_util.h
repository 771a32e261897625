// Shared helpers of the engine tests: temporary folders, small tables, raw
// file bytes, and a second process running the test helper program.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dbase/table.h"

namespace tktest {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// TITLE C 30, YEARPUB N 4, COST N 12.2, PURCHDATE D, CHECKOUT C 3.
std::vector<dbase::FieldDef> sampleFields();

// Appends one record to an open table through the public interface.
void appendBook(dbase::Table& t, const std::string& title, double year, double cost,
                dbase::Date date = {}, const std::string& checkOut = "No");

// Creates a sample table with `n` records titled "Book 1" .. "Book n",
// YEARPUB 1900 + i, COST i * 1.5, and returns its path.
std::string makeSampleTable(const TempDir& dir, int n, const std::string& name = "BOOKS.DBF");

// Opens the table at `path` for exclusive use.
void openExclusive(dbase::Table& t, const std::string& path);

std::vector<std::uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Every visible record's value of one field, in navigation order.
std::vector<std::string> column(dbase::Table& t, const std::string& field);

// Builds table files byte by byte, as other programs write them.
struct RawTable {
    struct Column {
        std::string name;
        char type;
        int width;  // a character field's may exceed 255
        int decimals = 0;
    };
    std::uint8_t version = 0x03;
    std::uint8_t languageDriver = 0x57;
    std::uint8_t productionIndex = 0;
    std::vector<Column> columns;
    std::vector<std::string> records;  // each with its deleted-flag byte first
    int extraHeaderBytes = 0;          // after the end mark (some writers add them)

    std::vector<std::uint8_t> bytes() const;
    void write(const std::string& path) const { writeBytes(path, bytes()); }
};

// A second process running the helper program with the given arguments. It
// talks line by line: the test reads what it prints and can close its
// input, which tells a holding helper to exit.
class Helper {
  public:
    explicit Helper(const std::vector<std::string>& args);
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    // The next line the helper printed (without the newline); "" at its end.
    std::string readLine();
    void closeInput();
    void kill();
    int wait();  // exit status; -signal when killed

  private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_;
};

}  // namespace tktest
