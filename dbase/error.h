// The one error family of the database engine. Every engine failure is
// thrown as a dbase::Error whose text says what went wrong and, where a file
// is involved, which file.
#pragma once

#include <stdexcept>
#include <string>

namespace dbase {

class Error : public std::runtime_error {
  public:
    enum class Kind {
        NotFound,           // the file does not exist or cannot be opened
        NotDBase,           // the file is not a dBase table of a known version
        Damaged,            // header, field list or record count contradicts the file
        Locked,             // another user holds the file in a conflicting mode
        Unsupported,        // a field type or feature the engine does not handle
        InvalidValue,       // a value does not fit its field
        InvalidExpression,  // an index expression cannot be parsed or evaluated
        IndexDamaged,       // the production index is inconsistent
        ReadOnly,           // a change was attempted on a table opened read-only
        State,              // the operation is not allowed in the table's current state
        Io,                 // the operating system refused a read or write
        DiskFull,           // a write found no room left on the disk
        RecordChanged,      // another user changed the record since it was read for editing
    };

    Error(Kind kind, const std::string& message, const std::string& file = {});

    Kind kind() const { return kind_; }
    const std::string& file() const { return file_; }
    // The text without the file's name (what() adds it on a line of its own).
    const std::string& message() const { return message_; }

  private:
    Kind kind_;
    std::string file_;
    std::string message_;
};

}  // namespace dbase
