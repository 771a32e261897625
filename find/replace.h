// Search and replace: one value replaced by another in one field across the
// whole collection, optionally asking before each record.
//
// The run needs the collection's file for itself: it refuses when another
// program or user holds it. It walks the records in physical order with the
// sort tag removed (a changed key moves nothing while it walks, and no tag
// is kept current per record), as one piece of bulk work, and always ends
// with the sort tag rebuilt and the table open shared again, also when a
// record could not be changed part-way.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

#include "dbase/date.h"
#include "settings/formats.h"

namespace books {
class OpenCollection;
}

namespace find {

struct ReplaceRequest {
    int fieldNo = 0;  // 1 to 36; 0 for none chosen
    QString search;
    QString replacement;
    bool confirm = false;
    // The formats dates are read in.
    settings::Formats formats;
};

// What is wrong with a request before anything is touched.
enum class RequestProblem {
    None,
    NoField,
    BadSearchValue,
    BadReplacementValue,
    BadSearchDate,
    BadReplacementDate,
};
RequestProblem checkRequest(const ReplaceRequest& request);
QString problemMessage(RequestProblem problem);

struct ReplaceCounts {
    std::uint32_t processed = 0;
    std::uint32_t found = 0;
    std::uint32_t changed = 0;
};

struct ReplaceHooks {
    // Asked for each matching record when the request confirms: the
    // question's text; true to change the record.
    std::function<bool(const QString& question)> confirm;
    // The running counts: after each match and every few thousand records,
    // and once at the end.
    std::function<void(const ReplaceCounts&)> progress;
};

enum class ReplaceOutcome {
    Completed,
    InUse,        // another program or user holds the file; nothing changed
    NotStarted,   // the file could not be opened for exclusive use; nothing changed
    Interrupted,  // a record could not be changed; the ones before it were
};

struct ReplaceReport {
    ReplaceOutcome outcome = ReplaceOutcome::Completed;
    ReplaceCounts counts;
    QString error;  // the engine's text, for NotStarted and Interrupted
};

// Runs a request that checkRequest() accepted. The collection must have no
// search filter installed (the caller ends the search for the run).
ReplaceReport replaceValues(books::OpenCollection& collection, const ReplaceRequest& request,
                            const ReplaceHooks& hooks);

// The question asked before changing a record with this title.
QString confirmQuestion(const QString& title);
QString inUseMessage();
QString notStartedMessage();
QString interruptedMessage(const ReplaceReport& report);
QString completeMessage();

}  // namespace find
