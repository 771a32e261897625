// Fuzz target: report definition records and recorded pages from arbitrary
// bytes. A record of the definitions file and one of the earlier version's
// file always decode; a decoded record that can be written again must read
// back the same bytes. A page of a page stream replays, or is refused with the
// stream's own message; anything else (a crash, a sanitizer report, another
// exception) is a finding.
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "reports/definition_file.h"
#include "reports/page_stream.h"
#include "reports/report_definition.h"

namespace {

class NoSink : public reports::PageSink {
  public:
    void setFont(const reports::EngineFont&) override {}
    void drawText(double, double, const QString&) override {}
    void drawLine(double, double, double, double) override {}
    void fillShade(double, double, double, double, int) override {}
};

// The input repeated to at least `size` bytes.
QByteArray filled(const std::uint8_t* data, std::size_t size, int want) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (bytes.isEmpty())
        bytes = QByteArray(1, '\0');
    while (bytes.size() < want)
        bytes += bytes;
    return bytes.left(want);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray record = filled(data, size, reports::kDefinitionSize);
    const reports::ReportDefinition d = reports::decodeDefinition(record.constData());
    // Written again, it reads back to the same bytes (compared as bytes: a
    // margin may be any double, NaN included).
    const QByteArray again = reports::encodeDefinition(d);
    if (!again.isEmpty() &&
        reports::encodeDefinition(reports::decodeDefinition(again.constData())) != again) {
        std::fprintf(stderr, "a written record reads back differently\n");
        std::abort();
    }
    const QByteArray old = filled(data, size, reports::kOldDefinitionSize);
    (void)reports::convertOldDefinition(old.constData());

    NoSink sink;
    try {
        reports::replayCommands(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                                sink);
    } catch (const reports::ReportError&) {
    }
    return 0;
}
