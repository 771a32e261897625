// The memo file beside a table: ".DBT" for dBase tables, ".FPT" for FoxPro
// style ones. Read only: the engine reads memo text but never writes it.
// A memo whose block lies beyond the file, or whose length runs past it,
// is reported as damaged instead of being read.
#pragma once

#include <cstdint>
#include <string>

#include "dbase/os_file.h"

namespace dbase {

class MemoFile {
  public:
    enum class Format { DBase3, DBase4, FoxPro };

    // Opens the memo file that belongs to a table of this version byte.
    // Throws Error::Kind::NotFound when it is missing.
    void open(const std::string& tablePath, std::uint8_t version);
    void close() { file_.close(); }
    bool isOpen() const { return file_.isOpen(); }

    // The raw bytes of the memo in this block (0: no memo).
    std::string read(std::uint32_t block) const;

    // The memo file's path for a table; the extension's letter case follows
    // what exists on disk.
    static std::string pathFor(const std::string& tablePath, std::uint8_t version);

  private:
    OsFile file_;
    Format format_ = Format::DBase3;
    std::uint32_t blockSize_ = 512;
    std::uint64_t size_ = 0;
};

}  // namespace dbase
