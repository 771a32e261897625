#include "find/replace.h"

#include "data/database_files.h"
#include "data/open_collection.h"
#include "data/sort_expression.h"
#include "dbase/table.h"
#include "fields/book_fields.h"
#include "find/query_filter.h"
#include "find/search_items.h"
#include "settings/formats.h"

namespace find {

namespace {

// How often the running counts are reported while nothing matches.
constexpr std::uint32_t kProgressEvery = 4096;

std::optional<dbase::Date> fullDate(const QString& text, const settings::Formats& formats) {
    if (isEmptyDate(text))
        return std::nullopt;
    const auto date = formats.textToEngineDate(text);
    if (!date || date->isNull())
        return std::nullopt;
    return date;
}

// Takes the sort tag away for the walk: the table is open exclusive in
// physical order afterwards.
void openForWalk(books::OpenCollection& c) {
    dbase::Table& t = c.table();
    t.close();
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    if (!c.sortExpression().isEmpty() && t.hasIndexFile()) {
        t.setIndexTag({});
        t.deleteIndexTag(books::kSortTagName);
    }
}

// Puts the sort tag back and opens the table shared, whatever state the
// walk left it in. Each step is tried on its own so that a failing one does
// not keep the others from running.
void restore(books::OpenCollection& c) {
    dbase::Table& t = c.table();
    if (t.isOpen() && t.state() != dbase::TableState::Browse)
        t.cancel();
    const std::string expression = c.sortExpression().toStdString();
    if (!expression.empty()) {
        try {
            if (!t.isOpen() || t.mode() != dbase::OpenMode::Exclusive) {
                t.close();
                t.setMode(dbase::OpenMode::Exclusive);
                t.open();
            }
            t.setIndexTag({});
            t.addIndexTag(books::kSortTagName, expression);
        } catch (const dbase::Error&) {
            // The next start-up adds the missing tag; the table still opens
            // shared below, in record order if need be.
        }
        t.setIndexTag(books::kSortTagName);
    }
    try {
        t.close();
    } catch (const dbase::Error&) {
    }
    t.setMode(dbase::OpenMode::Shared);
    c.reopenShared();
}

}  // namespace

RequestProblem checkRequest(const ReplaceRequest& r) {
    if (r.fieldNo < 1 || r.fieldNo > fields::kFieldCount)
        return RequestProblem::NoField;
    const QString search = settings::trimBlanks(r.search);
    const QString replacement = settings::trimBlanks(r.replacement);
    switch (fields::bookField(r.fieldNo).letter) {
        case 'N':
            if (!parseDecimal(search))
                return RequestProblem::BadSearchValue;
            if (!parseDecimal(replacement))
                return RequestProblem::BadReplacementValue;
            break;
        case 'D':
            if (!fullDate(search, r.formats))
                return RequestProblem::BadSearchDate;
            if (!fullDate(replacement, r.formats))
                return RequestProblem::BadReplacementDate;
            break;
        default:
            break;
    }
    return RequestProblem::None;
}

QString problemMessage(RequestProblem problem) {
    switch (problem) {
        case RequestProblem::None:
            return {};
        case RequestProblem::NoField:
            return QStringLiteral("No field has been selected.");
        case RequestProblem::BadSearchValue:
            return QStringLiteral("Invalid search value entered.  Please correct.");
        case RequestProblem::BadReplacementValue:
            return QStringLiteral("Invalid replacement value entered.  Please correct.");
        case RequestProblem::BadSearchDate:
            return QStringLiteral("Invalid search date entered.  Please correct.");
        case RequestProblem::BadReplacementDate:
            return QStringLiteral("Invalid replacement date entered.  Please correct.");
    }
    return {};
}

ReplaceReport replaceValues(books::OpenCollection& c, const ReplaceRequest& request,
                            const ReplaceHooks& hooks) {
    ReplaceReport report;
    ReplaceCounts& n = report.counts;
    dbase::Table& t = c.table();
    t.close();
    if (books::dbaseInUse(c.checkTable(), c.path())) {
        c.reopenShared();
        report.outcome = ReplaceOutcome::InUse;
        return report;
    }
    try {
        openForWalk(c);
    } catch (const std::exception& e) {
        report.outcome = ReplaceOutcome::NotStarted;
        report.error = QString::fromStdString(e.what());
        restore(c);
        return report;
    }

    const char letter = fields::bookField(request.fieldNo).letter;
    const QString search = settings::trimBlanks(request.search);
    const QString replacement = settings::trimBlanks(request.replacement);
    std::string searchText = search.toStdString();
    toUpperInPlace(searchText);
    const double searchNumber = letter == 'N' ? parseDecimal(search).value_or(0) : 0;
    const dbase::Date searchDate =
        letter == 'D' ? fullDate(search, request.formats).value_or(dbase::Date{}) : dbase::Date{};
    const dbase::Date newDate = letter == 'D'
                                    ? fullDate(replacement, request.formats).value_or(dbase::Date{})
                                    : dbase::Date{};
    const double newNumber = letter == 'N' ? parseDecimal(replacement).value_or(0) : 0;
    const std::string newText = replacement.toStdString();
    const auto progress = [&] {
        if (hooks.progress)
            hooks.progress(n);
    };

    try {
        const int field = t.fieldIndex(fields::bookField(request.fieldNo).name);
        const int title = t.fieldIndex(fields::bookField(1).name);
        std::string text;
        const auto matches = [&] {
            switch (letter) {
                case 'N':
                    return t.asFloat(field) == searchNumber;
                case 'D':
                    return t.asDate(field) == searchDate;
                default:
                    t.readString(field, text);
                    toUpperInPlace(text);
                    return text == searchText;
            }
        };
        t.beginBulk();
        struct EndBulk {
            dbase::Table& t;
            bool done = false;
            ~EndBulk() {
                if (!done) {
                    try {
                        t.endBulk();
                    } catch (const dbase::Error&) {
                    }
                }
            }
        } bulk{t};
        for (t.first(); !t.eof(); t.next()) {
            if (matches()) {
                bool change = true;
                if (request.confirm && hooks.confirm)
                    change =
                        hooks.confirm(confirmQuestion(QString::fromStdString(t.asString(title))));
                if (change) {
                    t.edit();
                    if (letter == 'D')
                        t.setDate(field, newDate);
                    else if (letter == 'N')
                        t.setFloat(field, newNumber);
                    else
                        t.setString(field, newText);
                    t.post();
                    ++n.changed;
                }
                ++n.found;
                ++n.processed;
                progress();
            } else if (++n.processed % kProgressEvery == 0) {
                progress();
            }
        }
        bulk.done = true;
        t.endBulk();
    } catch (const std::exception& e) {
        // Whatever stopped the walk, the table is put back below.
        report.outcome = ReplaceOutcome::Interrupted;
        report.error = QString::fromStdString(e.what());
    }
    progress();
    restore(c);
    return report;
}

QString confirmQuestion(const QString& title) {
    return QStringLiteral("Item = \"") + title + QStringLiteral("\".  Change this record?");
}

QString inUseMessage() {
    return QStringLiteral(
        "Search and Replace requires exclusive use of the DBase File.  Make sure that the DBase "
        "File is not in use by another program  or that no other users are running the software "
        "or that no other copies of the software are in use.");
}

QString notStartedMessage() {
    return QStringLiteral(
        "Error in running search and replace.  Search and replace will be aborted.");
}

QString interruptedMessage(const ReplaceReport& report) {
    return QStringLiteral("Search and replace stopped: ") + report.error +
           QStringLiteral("  Records changed before it stopped: ") +
           QString::number(report.counts.changed) + QStringLiteral(".");
}

QString completeMessage() {
    return QStringLiteral("Global Search and Replace Complete.");
}

}  // namespace find
