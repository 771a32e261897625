// Writing the edit form's values to the open collection.
//
// A record is written whole or not at all: when the table refuses a value
// (a year or page count that is no number, a text the table's code page
// cannot hold) or the post, the pending record is dropped, nothing is
// written and the reason comes back with the field's display name.
//
// Two users: the form remembers the record as it was stored when it was
// read (StoredRecord). An update over it first reads the record as it is on
// disk now; when another user changed it in between, nothing is written and
// the result says so. The remembered record then becomes the other user's
// version, so a second update writes the form's values over it knowingly.
#pragma once

#include <QString>

#include "edit/form_values.h"

namespace books {
class OpenCollection;
}
namespace settings {
struct Settings;
}

namespace edit {

struct UpdateResult {
    enum class Kind {
        Written,
        Refused,         // the table refused a value or the post
        ChangedByOther,  // another user changed the record since it was read
        Gone,            // the record can no longer be reached
    };
    Kind kind = Kind::Written;
    QString message;
    bool ok() const { return kind == Kind::Written; }
};

// Inserts a new record (`insert`) or changes the record `base` remembers,
// with `values` (dates read in the date format of the formats of
// `settings`). On success `base` describes the record as written and the
// table's current record is that record. A refusal names the fields by the
// captions of `settings`.
UpdateResult writeRecord(books::OpenCollection& collection, bool insert, const FormValues& values,
                         const settings::Settings& settings, StoredRecord& base);

}  // namespace edit
