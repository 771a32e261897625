// Helpers of the engine and rendering tests: a PDF printer on US Letter, a
// sink that keeps the drawing calls of a page, and the PDF tools that read
// back what was printed.
#pragma once

#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "reports/page_stream.h"

namespace testsupport {

// The built-in "PDF file" printer, writing to `file`, on US Letter.
inline std::unique_ptr<QPrinter> pdfPrinter(const QString& file = {}) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    printer->setPageSize(QPageSize(QPageSize::Letter));
    printer->setPageOrientation(QPageLayout::Portrait);
    return printer;
}

// One drawing call, as replayed.
struct Drawn {
    char kind;  // 'F' font, 'T' text, 'L' line, 'S' shade
    double a = 0, b = 0, c = 0, d = 0;
    QString text;   // text, or the font's name
    int value = 0;  // shade brightness, or font size
};

class KeepingSink : public reports::PageSink {
  public:
    void setFont(const reports::EngineFont& f) override {
        calls.push_back({'F', 0, 0, 0, 0, f.name, int(f.size)});
        font = f;
    }
    void drawText(double x, double y, const QString& t) override {
        calls.push_back({'T', x, y, 0, 0, t, 0});
    }
    void drawLine(double x1, double y1, double x2, double y2) override {
        calls.push_back({'L', x1, y1, x2, y2, {}, 0});
    }
    void fillShade(double x, double y, double w, double h, int brightness) override {
        calls.push_back({'S', x, y, w, h, {}, brightness});
    }
    std::vector<Drawn> of(char kind) const {
        std::vector<Drawn> out;
        for (const auto& c : calls)
            if (c.kind == kind)
                out.push_back(c);
        return out;
    }
    QStringList texts() const {
        QStringList out;
        for (const auto& c : of('T'))
            out << c.text;
        return out;
    }
    std::vector<Drawn> calls;
    reports::EngineFont font;
};

inline bool havePdfTools() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

inline QString runTool(const QString& tool, const QStringList& arguments) {
    QProcess p;
    p.start(tool, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The page count pdfinfo reads; -1 when it cannot.
inline int pdfPageCount(const QString& file) {
    const QString info = runTool(QStringLiteral("pdfinfo"), {file});
    for (const QString& line : info.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

// The text of page `page` (0: all pages), laid out as on the page.
inline QString pdfText(const QString& file, int page = 0) {
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    args << file << QStringLiteral("-");
    return runTool(QStringLiteral("pdftotext"), args);
}

}  // namespace testsupport
