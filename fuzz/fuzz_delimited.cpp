// Reading a delimited text file of arbitrary bytes: the first line as field
// names and every record after it. Each field read must be within the limits
// the import relies on, and must read back the same after it has been written
// out again by the export's writer.
#include <cstdlib>

#include "exchange/delimited_text.h"
#include "fuzz/fuzz_util.h"

namespace {

qsizetype codePoints(const QString& s) {
    return static_cast<qsizetype>(s.toUcs4().size());
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

QString withoutEdgeBlanks(const QString& s) {
    qsizetype start = 0, end = s.size();
    while (start < end && s.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && s.at(end - 1) == QLatin1Char(' '))
        --end;
    return s.mid(start, end - start);
}

// Writes the values as one line, reads it back and compares.
void roundTrip(const std::string& folder, const QStringList& values) {
    const QString path = QString::fromStdString(folder + "/again.txt");
    {
        exchange::DelimitedWriter writer(path);
        writer.writeRecord(values);
        writer.close();
    }
    exchange::DelimitedReader reader(path);
    QList<exchange::DelimitedReader::Field> fields;
    check(reader.readRecord(exchange::kMaxImportFields, fields), "a written record reads as none");
    check(fields.size() == values.size(), "a written record reads back with another field count");
    for (qsizetype i = 0; i < values.size(); ++i)
        check(fields.at(i).text == withoutEdgeBlanks(values.at(i)),
              "a written field reads back changed");
    check(reader.atEnd(), "a written record reads back as more than one line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = tkfuzz::workFolder("tk_fuzz_delimited");
    const std::string input = folder + "/input.txt";
    tkfuzz::writeFile(input, data, size);
    const QString path = QString::fromStdString(input);

    const exchange::FirstLine first = exchange::readFirstLine(path);
    check(first.code >= 0 && first.code <= 3, "first-line code out of range");
    check(first.names.size() <= exchange::kMaxImportFields, "too many field names");
    for (const QString& name : first.names)
        check(codePoints(name) <= exchange::kMaxSourceNameLength || name == "<BLANK FIELD>",
              "a field name longer than the limit");

    exchange::DelimitedReader reader(path);
    QList<exchange::DelimitedReader::Field> fields;
    std::size_t records = 0;
    while (!reader.atEnd()) {
        check(++records <= size + 1, "the reader does not move on");
        if (!reader.readRecord(exchange::kMaxImportFields, fields))
            continue;
        check(!fields.isEmpty() && fields.size() <= exchange::kMaxImportFields,
              "a record with a field count out of range");
        QStringList values;
        for (const auto& f : fields) {
            check(codePoints(f.text) <= exchange::kMaxFieldLength, "a field longer than the limit");
            for (const QChar c : f.text)
                check(c.unicode() >= 32, "a control character kept in a field");
            values.append(f.text);
        }
        if (values.size() > 1 || !withoutEdgeBlanks(values.first()).isEmpty())
            roundTrip(folder, values);
    }
    return 0;
}
