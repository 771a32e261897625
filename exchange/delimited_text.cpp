#include "exchange/delimited_text.h"

#include "settings/text_file.h"

namespace exchange {

namespace {

constexpr qsizetype kChunk = 1 << 16;

QString reason(const QFile& file) {
    return QStringLiteral("%1\n%2").arg(file.errorString(), file.fileName());
}

// Field bytes to UTF-8 in place: plain ASCII as it is, otherwise decoded as
// UTF-8 or Windows-1252.
void decodeField(std::string& bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            const QByteArray utf8 =
                settings::decodeText(
                    QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())))
                    .toUtf8();
            bytes.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
            return;
        }
    }
}

// The length of the first `count` characters of UTF-8 text.
std::size_t utf8Cut(std::string_view utf8, int count) {
    std::size_t end = 0;
    for (int chars = 0; end < utf8.size(); ++end) {
        if ((static_cast<unsigned char>(utf8[end]) & 0xC0) != 0x80 && chars++ == count)
            break;
    }
    return end;
}

// Reads fields until the end of a record or `count` of them: `read(i)` reads
// field i and tells whether it ended the line, `empty(i)` whether it is
// empty. False for an empty line, which gives no record.
template <typename Read, typename Empty>
bool readFields(DelimitedReader& reader, int count, Read read, Empty empty) {
    for (int i = 0; i < count; ++i) {
        const bool ended = read(i);
        if (i == 0 && ended && empty(i))
            return false;
        if (ended)
            return true;
    }
    // More fields than the import takes: the rest of the line is not a
    // record of its own.
    reader.skipLine();
    return true;
}

}  // namespace

qsizetype characterCut(const QString& text, int count) {
    qsizetype cut = 0;
    for (int chars = 0; cut < text.size() && chars < count; ++chars)
        cut += text.at(cut).isHighSurrogate() && cut + 1 < text.size() &&
                       text.at(cut + 1).isLowSurrogate()
                   ? 2
                   : 1;
    return cut;
}

namespace {

template <typename Line>
void appendQuoted(Line& line, std::string_view utf8) {
    // The cut counts characters as the reader does: by the first byte of
    // each, so a character of several bytes stays whole.
    std::size_t end = utf8Cut(utf8, kMaxFieldLength);
    std::size_t start = 0;
    while (start < end && utf8[start] == ' ')
        ++start;
    while (end > start && utf8[end - 1] == ' ')
        --end;
    line += '"';
    for (std::size_t i = start; i < end;) {
        const std::size_t quote = utf8.find('"', i);
        const std::size_t stop = quote < end ? quote + 1 : end;
        line.append(utf8.data() + i, stop - i);
        if (quote < end)
            line += '"';  // a double quote inside is doubled
        i = stop;
    }
    line += '"';
}

}  // namespace

void appendQuotedField(QByteArray& line, std::string_view utf8) {
    appendQuoted(line, utf8);
}

void appendQuotedField(std::string& line, std::string_view utf8) {
    appendQuoted(line, utf8);
}

QString quotedField(const QString& value) {
    QByteArray line;
    const QByteArray utf8 = value.toUtf8();
    appendQuotedField(line,
                      std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    return QString::fromUtf8(line);
}

QByteArray delimitedLine(const QStringList& values) {
    QByteArray line;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            line += ',';
        const QByteArray utf8 = values.at(i).toUtf8();
        appendQuotedField(
            line, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    }
    line += "\r\n";
    return line;
}

// ---- Writer -----------------------------------------------------------------

DelimitedWriter::DelimitedWriter(const QString& path) : file_(path) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw FileError(
            QStringLiteral("The file could not be created: %1").arg(reason(file_)).toStdString());
    buffer_.reserve(static_cast<std::size_t>(kChunk) * 2);
}

DelimitedWriter::~DelimitedWriter() = default;

void DelimitedWriter::writeRecord(const QStringList& values) {
    for (const QString& value : values) {
        const QByteArray utf8 = value.toUtf8();
        addField(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    }
    endRecord();
}

void DelimitedWriter::addField(std::string_view utf8) {
    appendQuotedField(nextField(), utf8);
}

std::string& DelimitedWriter::nextField() {
    if (lineStarted_)
        buffer_ += ',';
    lineStarted_ = true;
    return buffer_;
}

void DelimitedWriter::endRecord() {
    buffer_ += "\r\n";
    lineStarted_ = false;
    if (buffer_.size() >= static_cast<std::size_t>(kChunk))
        writeOut();
}

void DelimitedWriter::writeOut() {
    if (buffer_.empty())
        return;
    if (file_.write(buffer_.data(), static_cast<qint64>(buffer_.size())) !=
        static_cast<qint64>(buffer_.size()))
        throw FileError(
            QStringLiteral("The file could not be written: %1").arg(reason(file_)).toStdString());
    buffer_.clear();  // keeps the storage
}

void DelimitedWriter::close() {
    writeOut();
    if (!file_.flush())
        throw FileError(
            QStringLiteral("The file could not be written: %1").arg(reason(file_)).toStdString());
    file_.close();
    if (file_.error() != QFileDevice::NoError)
        throw FileError(
            QStringLiteral("The file could not be written: %1").arg(reason(file_)).toStdString());
}

// ---- Reader -----------------------------------------------------------------

DelimitedReader::DelimitedReader(const QString& path) : file_(path) {
    if (!file_.open(QIODevice::ReadOnly))
        throw FileError(
            QStringLiteral("The file could not be opened: %1").arg(reason(file_)).toStdString());
}

bool DelimitedReader::fill() {
    if (pos_ < buffer_.size())
        return true;
    buffer_ = file_.read(kChunk);
    pos_ = 0;
    if (buffer_.isEmpty() && file_.error() != QFileDevice::NoError)
        throw FileError(
            QStringLiteral("The file could not be read: %1").arg(reason(file_)).toStdString());
    return !buffer_.isEmpty();
}

int DelimitedReader::get() {
    if (!fill())
        return -1;
    return static_cast<unsigned char>(buffer_.at(pos_++));
}

int DelimitedReader::peek() {
    if (!fill())
        return -1;
    return static_cast<unsigned char>(buffer_.at(pos_));
}

bool DelimitedReader::atEnd() {
    return !fill();
}

// After `c` (a line feed, a carriage return or the end): a carriage return
// followed by a line feed is one line end.
void DelimitedReader::endLine(int c) {
    if (c == '\r' && peek() == '\n')
        get();
    if (c >= 0)
        ++line_;
}

void DelimitedReader::skipLine() {
    for (;;) {
        const int c = get();
        if (c < 0 || c == '\n' || c == '\r') {
            endLine(c);
            return;
        }
    }
}

void DelimitedReader::readField(Utf8Field& f) {
    f.closedByQuote = f.tooLong = f.recordEnded = false;
    std::string& bytes = bytes_;  // its storage is kept from field to field
    bytes.clear();
    int chars = 0;
    bool inQuotes = false;
    unsigned char seen = 0;  // every byte taken, or-ed: 0x80 set when one is not ASCII
    auto add = [&](int c) {
        // Characters are counted by their first byte, so a UTF-8 sequence is
        // never split.
        const bool startsCharacter = (c & 0xC0) != 0x80;
        if (startsCharacter && chars == kMaxFieldLength)
            f.tooLong = true;
        if (f.tooLong)
            return;
        if (startsCharacter)
            ++chars;
        seen |= static_cast<unsigned char>(c);
        bytes += static_cast<char>(c);
    };
    for (;;) {
        // A run of ordinary bytes (no double quote, no control character)
        // is taken at once, as add() would take it byte by byte; the byte
        // that ends it goes the slow way.
        if (!f.tooLong && pos_ < buffer_.size())
            takeRun(bytes, chars, seen);
        const int c = get();
        if (c < 0 || c == '\n' || c == '\r') {
            endLine(c);
            f.recordEnded = true;
            break;
        }
        if (c == '"') {
            if (!inQuotes) {
                inQuotes = true;
                continue;
            }
            const int d = peek();
            if (d < 0 || d == '\n' || d == '\r') {
                endLine(get());
                f.closedByQuote = true;
                f.recordEnded = true;
                break;
            }
            get();
            if (d == ',') {
                f.closedByQuote = true;
                break;
            }
            if (d == '"') {
                add('"');
                continue;
            }
            // Anything else after a closing quote is dropped up to the next
            // comma: the field is what the quotes enclosed.
            f.closedByQuote = true;
            for (;;) {
                const int e = get();
                if (e < 0 || e == '\n' || e == '\r') {
                    endLine(e);
                    f.recordEnded = true;
                    break;
                }
                if (e == ',')
                    break;
            }
            break;
        }
        if (c < 32)
            continue;
        add(c);
    }
    if ((seen & 0x80) != 0) {
        decodeField(bytes);
        // Bytes that were not UTF-8 are one character each and may be more.
        if (const std::size_t cut = utf8Cut(bytes, kMaxFieldLength); cut < bytes.size()) {
            bytes.resize(cut);
            f.tooLong = true;
        }
    }
    f.text.swap(bytes);
}

// Takes the ordinary bytes from the buffer's position on (none a double
// quote or a control character) up to the field's limit of characters.
void DelimitedReader::takeRun(std::string& bytes, int& chars, unsigned char& seen) {
    const auto* data = reinterpret_cast<const unsigned char*>(buffer_.constData());
    const qsizetype size = buffer_.size();
    qsizetype end = pos_;
    unsigned char runSeen = 0;
    while (end < size && data[end] >= 32 && data[end] != '"') {
        runSeen |= data[end];
        ++end;
    }
    int runChars = static_cast<int>(end - pos_);
    if ((runSeen & 0x80) != 0) {
        runChars = 0;
        for (qsizetype i = pos_; i < end; ++i)
            runChars += (data[i] & 0xC0) != 0x80 ? 1 : 0;
    }
    if (chars + runChars > kMaxFieldLength) {
        // Up to the first byte of the character past the limit.
        runChars = 0;
        for (end = pos_; end < size; ++end) {
            if ((data[end] & 0xC0) != 0x80 && chars + runChars++ == kMaxFieldLength)
                break;
        }
        runChars = kMaxFieldLength - chars;
    }
    bytes.append(reinterpret_cast<const char*>(data) + pos_, static_cast<std::size_t>(end - pos_));
    chars += runChars;
    seen |= runSeen;
    pos_ = end;
}

DelimitedReader::Field DelimitedReader::readField() {
    readField(scratch_);
    Field f;
    f.text = QString::fromUtf8(scratch_.text.data(), static_cast<qsizetype>(scratch_.text.size()));
    f.closedByQuote = scratch_.closedByQuote;
    f.tooLong = scratch_.tooLong;
    f.recordEnded = scratch_.recordEnded;
    return f;
}

bool DelimitedReader::readRecord(int count, QList<Field>& fields) {
    fields.clear();
    return readFields(
        *this, count,
        [&](int) {
            fields.append(readField());
            return fields.back().recordEnded;
        },
        [&](int i) { return fields.at(i).text.isEmpty(); });
}

bool DelimitedReader::readRecord(int count, std::vector<Utf8Field>& fields, int& read) {
    read = 0;
    return readFields(
        *this, count,
        [&](int i) {
            if (fields.size() <= static_cast<std::size_t>(i))
                fields.emplace_back();
            Utf8Field& f = fields[static_cast<std::size_t>(i)];
            readField(f);
            read = i + 1;
            return f.recordEnded;
        },
        [&](int i) { return fields[static_cast<std::size_t>(i)].text.empty(); });
}

FirstLine readFirstLine(const QString& path) {
    DelimitedReader reader(path);
    FirstLine result;
    for (;;) {
        if (result.names.size() == kMaxImportFields) {
            result.code = 3;
            return result;
        }
        const DelimitedReader::Field f = reader.readField();
        if (f.tooLong) {
            result.code = 1;
            return result;
        }
        result.names.append(f.text.isEmpty()
                                ? QStringLiteral("<BLANK FIELD>")
                                : f.text.left(characterCut(f.text, kMaxSourceNameLength)));
        if (f.recordEnded) {
            if (!f.closedByQuote)
                result.code = 2;
            return result;
        }
    }
}

QString firstLineMessage(int code) {
    QString text = QStringLiteral(
        "The file selected does not appear to be an ASCII delimited text file.  "
        "An ASCII delimited file requires a unique format of each field being "
        "surrounded by double quotes and separated by a comma.  ");
    switch (code) {
        case 1:
            text += QStringLiteral(
                "The selected file has a field that is greater than 255 characters.");
            break;
        case 2:
            text += QStringLiteral(
                "The selected file had an unexpected end of a line most likely due to an unmatched "
                "quote.");
            break;
        case 3:
            text += QStringLiteral(
                "The selected file has too many fields.  "
                "There are at least 10 more fields than are required by Tomekeep.");
            break;
        default:
            break;
    }
    return text;
}

}  // namespace exchange
