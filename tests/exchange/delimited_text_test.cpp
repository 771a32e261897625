// The delimited text rules: what the writer produces and what the reader
// makes of well-formed and damaged lines.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "exchange/delimited_text.h"

namespace {

using exchange::DelimitedReader;

class DelimitedText : public ::testing::Test {
  protected:
    QString write(const QByteArray& bytes, const QString& name = QStringLiteral("in.txt")) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // Every record of the file, each as its field texts (up to `count` fields).
    QList<QStringList> records(const QByteArray& bytes, int count) {
        DelimitedReader r(write(bytes));
        QList<QStringList> out;
        QList<DelimitedReader::Field> fields;
        while (!r.atEnd()) {
            if (!r.readRecord(count, fields))
                continue;
            QStringList texts;
            for (const auto& f : fields)
                texts.append(f.text);
            out.append(texts);
        }
        return out;
    }
    QTemporaryDir dir;
};

TEST(QuotedField, DoublesQuotesTrimsBlanksAndCutsAt255) {
    EXPECT_EQ(exchange::quotedField(QStringLiteral("abc\"def")), QStringLiteral("\"abc\"\"def\""));
    EXPECT_EQ(exchange::quotedField(QStringLiteral("  padded  ")), QStringLiteral("\"padded\""));
    EXPECT_EQ(exchange::quotedField(QStringLiteral("   ")), QStringLiteral("\"\""));
    EXPECT_EQ(exchange::quotedField(QString(300, QLatin1Char('x'))).size(), 255 + 2);
    // The cut comes before the doubling: 255 quotes become 510.
    EXPECT_EQ(exchange::quotedField(QString(300, QLatin1Char('"'))).size(), 510 + 2);
    // A character outside the basic plane is one character, never cut in two.
    const QString face = QString::fromUcs4(U"\U0001F600");
    const QString kept = QString(254, QLatin1Char('a')) + face;
    EXPECT_EQ(exchange::quotedField(kept + QStringLiteral("zz")),
              QLatin1Char('"') + kept + QLatin1Char('"'));
    EXPECT_EQ(exchange::quotedField(QString(255, QLatin1Char('a')) + face),
              QLatin1Char('"') + QString(255, QLatin1Char('a')) + QLatin1Char('"'));
}

TEST(QuotedField, LineJoinsWithCommasAndEndsWithCrLf) {
    EXPECT_EQ(exchange::delimitedLine({QStringLiteral("abc\"def"), QStringLiteral("1995")}),
              QByteArray("\"abc\"\"def\",\"1995\"\r\n"));
    EXPECT_EQ(exchange::delimitedLine({QStringLiteral("é")}), QByteArray("\"\xc3\xa9\"\r\n"));
}

TEST_F(DelimitedText, ReadsFieldsByTheQuoteRules) {
    struct Case {
        const char* line;
        QStringList fields;
    };
    const Case cases[] = {
        {"\"abc\"\"def\",\"1995\"\r\n", {"abc\"def", "1995"}},
        {"\"a,b\",\"c\"\n", {"a,b", "c"}},
        {"\"\",\"x\",\"\"\n", {"", "x", ""}},
        // A comma without a closing quote before it belongs to the field.
        {"abc,def\n", {"abc,def"}},
        // A quote in an unquoted field opens a quoted part.
        {"ab\"c,d\",\"e\"\n", {"abc,d", "e"}},
        // Control characters are dropped.
        {"\"a\tb\x01\",\"c\"\n", {"ab", "c"}},
        // After a closing quote anything up to the next comma is dropped.
        {"\"abc\" x,\"def\"\n", {"abc", "def"}},
        // A line ends at CR LF, LF or CR alone.
        {"\"a\"\r\"b\"\r\n", {"a"}},
    };
    for (const Case& c : cases) {
        const auto got = records(c.line, 5);
        ASSERT_FALSE(got.isEmpty()) << c.line;
        EXPECT_EQ(got.first(), c.fields) << c.line;
    }
}

TEST_F(DelimitedText, RecordsAreLinesAndBlankLinesAddNone) {
    const auto got = records(
        "\"a\",\"1\"\r\n\r\n\n\"b\",\"2\"\n\"c\"\n\"d\",\"4\",\"extra\",\"more\"\n\"e\",\"5\"", 2);
    ASSERT_EQ(got.size(), 5);
    EXPECT_EQ(got[0], QStringList({"a", "1"}));
    EXPECT_EQ(got[1], QStringList({"b", "2"}));
    EXPECT_EQ(got[2], QStringList({"c"}));  // fewer fields: the rest stay empty
    // More fields than the import takes are dropped, not made a record.
    EXPECT_EQ(got[3], QStringList({"d", "4"}));
    EXPECT_EQ(got[4], QStringList({"e", "5"}));  // no line end at the end of the file
}

TEST_F(DelimitedText, LongFieldsAreCutAt255CharactersNotBytes) {
    const QByteArray longField = "\"" + QByteArray(300, 'x') + "\"\n";
    DelimitedReader r(write(longField));
    const auto f = r.readField();
    EXPECT_TRUE(f.tooLong);
    EXPECT_EQ(f.text.size(), 255);

    QByteArray accents;
    for (int i = 0; i < 255; ++i)
        accents += "\xc3\xa9";
    DelimitedReader r2(write("\"" + accents + "\"\n", QStringLiteral("utf8.txt")));
    const auto g = r2.readField();
    EXPECT_FALSE(g.tooLong);
    EXPECT_EQ(g.text, QString(255, QChar(0xe9)));
}

TEST_F(DelimitedText, CharactersOutsideTheBasicPlaneCountOnceAndStayWhole) {
    const QString face = QString::fromUcs4(U"\U0001F600");
    QString two00, two55;
    for (int i = 0; i < 200; ++i)
        two00 += face;
    for (int i = 0; i < 255; ++i)
        two55 += face;
    DelimitedReader r(
        write("\"" + two00.toUtf8() + "\",\"" + two55.toUtf8() + face.toUtf8() + "\"\r\n"));
    const auto first = r.readField();
    EXPECT_EQ(first.text, two00);
    EXPECT_FALSE(first.tooLong);
    const auto second = r.readField();
    EXPECT_EQ(second.text, two55);
    EXPECT_TRUE(second.tooLong);
}

TEST_F(DelimitedText, ReadsUtf8AndWindows1252) {
    const auto got = records("\"caf\xc3\xa9\",\"na\xefve\"\n", 2);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0], QStringList({QStringLiteral("café"), QStringLiteral("naïve")}));
}

TEST_F(DelimitedText, FirstLineGivesTheSourceNamesOrAnErrorCode) {
    auto line = [](int fields) {
        QByteArray l;
        for (int i = 1; i <= fields; ++i)
            l += (i > 1 ? ",\"F" : "\"F") + QByteArray::number(i) + "\"";
        return l + "\r\n";
    };
    auto first = [&](const QByteArray& bytes) { return exchange::readFirstLine(write(bytes)); };

    EXPECT_EQ(first(line(46)).code, 0);
    EXPECT_EQ(first(line(46)).names.size(), 46);
    EXPECT_EQ(first(line(47)).code, 3);
    EXPECT_EQ(first("\"" + QByteArray(255, 'a') + "\"\n").code, 0);
    EXPECT_EQ(first("\"" + QByteArray(256, 'a') + "\"\n").code, 1);
    EXPECT_EQ(first("\"a\",\"unmatched\n\"b\"\n").code, 2);
    EXPECT_EQ(first("\"a\",unquoted\n").code, 2);
    EXPECT_EQ(first("").code, 2);

    const auto names = first("\"\",\"A name longer than twenty characters\",\"Title\"\n");
    EXPECT_EQ(names.code, 0);
    EXPECT_EQ(names.names, QStringList({"<BLANK FIELD>", "A name longer than t", "Title"}));
}

TEST_F(DelimitedText, TruncatedAndDamagedFilesReadWithoutHarm) {
    const QByteArray good =
        "\"Title\",\"Author\"\r\n\"a \"\"quoted\"\" one\",\"x\"\r\n\r\n\"caf\xc3\xa9\",\"" +
        QByteArray(300, 'y') + "\"\r\n";
    auto readAll = [&](const QByteArray& bytes) {
        exchange::readFirstLine(write(bytes));
        DelimitedReader r(write(bytes));
        QList<DelimitedReader::Field> fields;
        int records = 0;
        while (!r.atEnd() && records < 100) {
            if (r.readRecord(46, fields)) {
                ++records;
                for (const auto& f : fields)
                    EXPECT_LE(f.text.size(), 255);
            }
        }
        EXPECT_TRUE(r.atEnd());
    };
    for (qsizetype n = 0; n <= good.size(); n += 7)
        readAll(good.left(n));
    std::uint32_t seed = 1995;
    for (int round = 0; round < 200; ++round) {
        QByteArray bad = good;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            const auto at =
                static_cast<qsizetype>((seed >> 8) % static_cast<std::uint32_t>(bad.size()));
            bad[at] = static_cast<char>(bad[at] ^ static_cast<char>(1 << ((seed >> 4) % 8)));
        }
        readAll(bad);
    }
}

TEST(FirstLineMessage, ComposesTheThreeTexts) {
    const QString lead = QStringLiteral(
        "The file selected does not appear to be an ASCII delimited text file.  An ASCII delimited "
        "file requires a unique format of each field being surrounded by double quotes and "
        "separated "
        "by a comma.  ");
    EXPECT_EQ(exchange::firstLineMessage(1),
              lead + "The selected file has a field that is greater than 255 characters.");
    EXPECT_EQ(
        exchange::firstLineMessage(3),
        lead +
            "The selected file has too many fields.  There are at least 10 more fields than are "
            "required by Tomekeep.");
}

TEST_F(DelimitedText, WrittenValuesReadBackUnchanged) {
    const QString path = dir.filePath(QStringLiteral("round.txt"));
    const QStringList values = {QStringLiteral("say \"hi\", \"bye\""), QStringLiteral(""),
                                QStringLiteral("a,b"), QStringLiteral("\""),
                                QStringLiteral("über")};
    {
        exchange::DelimitedWriter w(path);
        w.writeRecord(values);
        w.writeRecord(values);
        w.close();
    }
    DelimitedReader r(path);
    QList<DelimitedReader::Field> fields;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(r.readRecord(5, fields));
        QStringList texts;
        for (const auto& f : fields)
            texts.append(f.text);
        EXPECT_EQ(texts, values);
    }
    EXPECT_TRUE(r.atEnd());
}

// The reader takes runs of plain bytes at once from its 64 KiB chunks: a
// long file whose fields (accents, doubled quotes, commas, fields cut at
// 255 characters) fall across the chunks at every place reads back as
// written.
TEST_F(DelimitedText, FieldsAcrossTheReadChunksReadBackAsWritten) {
    const QString pattern = QStringLiteral("ab\u00e9,\"c\u20acd ");
    const QString path = dir.filePath(QStringLiteral("long.txt"));
    std::vector<QStringList> written;
    {
        exchange::DelimitedWriter w(path);
        for (int line = 0; line < 1500; ++line) {
            QStringList values;
            for (int k = 0; k < 5; ++k) {
                QString v;
                const int length = (line * 37 + k * 101) % 300;
                for (int i = 0; i < length; ++i)
                    v += pattern.at((i + line + k) % pattern.size());
                v = v.left(exchange::characterCut(v, exchange::kMaxFieldLength)).trimmed();
                values.append(v);
            }
            w.writeRecord(values);
            written.push_back(values);
        }
        w.close();
    }
    DelimitedReader r(path);
    std::vector<DelimitedReader::Utf8Field> fields;
    int read = 0;
    for (const QStringList& values : written) {
        ASSERT_TRUE(r.readRecord(5, fields, read));
        ASSERT_EQ(read, 5);
        for (int k = 0; k < 5; ++k)
            ASSERT_EQ(QString::fromStdString(fields[static_cast<std::size_t>(k)].text),
                      values.at(k));
    }
    EXPECT_TRUE(r.atEnd());
}

TEST(DelimitedWriter, AFullDiskIsAnErrorNotASuccess) {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    exchange::DelimitedWriter w(QStringLiteral("/dev/full"));
    EXPECT_THROW(
        {
            for (int i = 0; i < 10000; ++i)
                w.writeRecord({QStringLiteral("some text to fill the buffer")});
            w.close();
        },
        exchange::FileError);
}

TEST(DelimitedWriter, AFileThatCannotBeCreatedIsAnError) {
    EXPECT_THROW(exchange::DelimitedWriter(QStringLiteral("/nonexistent-folder/out.txt")),
                 exchange::FileError);
}

}  // namespace
