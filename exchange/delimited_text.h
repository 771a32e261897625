// Delimited text files: each record one line of fields in double quotes,
// separated by commas, a double quote inside a field doubled, lines ended by
// carriage return and line feed.
//
// The writer produces exactly that. The reader is forgiving in the way the
// earlier program was: it reads character by character, a double quote opens
// the quoted part of a field, characters below 32 are dropped, a comma that
// does not follow a closing quote belongs to the field, and the end of a line
// always ends the field and the record. Files are written as UTF-8; a field
// read back is UTF-8 when its bytes are valid UTF-8, Windows-1252 otherwise.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// The longest field either side keeps, and the most fields an import reads.
inline constexpr int kMaxFieldLength = 255;
inline constexpr int kMaxImportFields = 46;
// The longest source field name an import shows.
inline constexpr int kMaxSourceNameLength = 20;

// A file that could not be opened, read or written; the text names the file
// and the reason.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The length of the first `count` characters of `text` (a pair of
// surrogates is one character).
qsizetype characterCut(const QString& text, int count);

// One value as a quoted field: cut to 255 characters, every double quote
// doubled, blanks removed from both ends, enclosed in double quotes.
QString quotedField(const QString& value);
// The same rules on the UTF-8 bytes of a value, appended to `line`.
void appendQuotedField(QByteArray& line, std::string_view utf8);
void appendQuotedField(std::string& line, std::string_view utf8);
// A whole line: the quoted fields joined by commas, ended by CR LF.
QByteArray delimitedLine(const QStringList& values);

// Creates (or empties) a text file and writes lines to it. Every failure of
// the system (a full disk, a file another program holds) throws FileError at
// the write that meets it, so a partial file is never taken for a whole one.
class DelimitedWriter {
  public:
    explicit DelimitedWriter(const QString& path);
    ~DelimitedWriter();
    DelimitedWriter(const DelimitedWriter&) = delete;
    DelimitedWriter& operator=(const DelimitedWriter&) = delete;

    void writeRecord(const QStringList& values);
    // A record field by field, without building a list: each field from its
    // UTF-8 bytes, then endRecord().
    void addField(std::string_view utf8);
    // Starts the next field and returns the line it is to be appended to,
    // quoted as appendQuotedField() does (for callers that quote the field
    // straight from other bytes).
    std::string& nextField();
    void endRecord();
    // Writes what is buffered and closes the file; throws FileError when the
    // system refuses. Must be called for the file to be complete.
    void close();

  private:
    void writeOut();
    QFile file_;
    std::string buffer_;
    bool lineStarted_ = false;
};

// Reads a delimited text file field by field.
class DelimitedReader {
  public:
    struct Field {
        QString text;
        bool closedByQuote = false;  // ended at a closing double quote
        bool tooLong = false;        // more than 255 characters (the rest dropped)
        bool recordEnded = false;    // the line (or the file) ended with this field
    };

    // The same with the text as UTF-8 (for imports that store it straight
    // into a record); its storage is reused from call to call.
    struct Utf8Field {
        std::string text;
        bool closedByQuote = false;
        bool tooLong = false;
        bool recordEnded = false;
    };

    // Throws FileError when the file cannot be opened.
    explicit DelimitedReader(const QString& path);

    Field readField();
    void readField(Utf8Field& field);
    // Drops what is left of the current line.
    void skipLine();
    // Nothing more to read.
    bool atEnd();
    // The line the next field starts on, from 1.
    qint64 lineNumber() const { return line_; }

    // Reads one record of up to `count` fields into `fields` (fewer when the
    // line has fewer). A line with more fields has the rest dropped. Returns
    // false for an empty line, which gives no record.
    bool readRecord(int count, QList<Field>& fields);
    // The same into `fields`, whose first `read` are the record's; their
    // storage is kept for the next record.
    bool readRecord(int count, std::vector<Utf8Field>& fields, int& read);

  private:
    int get();
    int peek();
    bool fill();
    void endLine(int c);
    void takeRun(std::string& bytes, int& chars, unsigned char& seen);

    QFile file_;
    QByteArray buffer_;
    std::string bytes_;
    Utf8Field scratch_;
    qsizetype pos_ = 0;
    qint64 line_ = 1;
};

// The first line of a file as the list of source field names.
struct FirstLine {
    // 0 fine; 1 a field longer than 255 characters; 2 the line did not end
    // at a closing quote; 3 more than 46 fields.
    int code = 0;
    QStringList names;  // cut to 20 characters, "<BLANK FIELD>" for an empty one
};
FirstLine readFirstLine(const QString& path);

// The message the import shows for a first-line code 1 to 3.
QString firstLineMessage(int code);

}  // namespace exchange
