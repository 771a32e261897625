// Locate: moving the current record of a table to the next record whose
// value in one field matches a typed value, without filtering the table.
//
// LocateOptions are what the locate dialog remembers between uses (the last
// field, value and match settings), so Locate Next can repeat a search
// without showing anything. locateRecord() is the record search itself.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

#include "dbase/table.h"

namespace settings {
class Formats;
}

namespace find {

enum class MatchType { Exact, PartialStart, PartialAny };
enum class FieldOrder { ByFieldNo, ByFieldName };
enum class DefaultButton { FindFirst, FindNext };
enum class FieldSelection { AllFields, VisibleFields };

struct LocateOptions {
    QString caption;
    QString searchField;  // the table's name of the field searched last; empty at first
    QString searchValue;  // the value searched last (at most 255 characters)
    MatchType matchType = MatchType::PartialStart;
    bool caseSensitive = false;
    FieldOrder fieldOrder = FieldOrder::ByFieldName;
    DefaultButton defaultButton = DefaultButton::FindNext;
    FieldSelection fieldSelection = FieldSelection::AllFields;
    bool showMessages = true;
};

// How a record search ended.
enum class LocateResult { Found, NotFound, NoField };

// Tests field texts against one value.
class LocateMatcher {
  public:
    // `numeric`: the field holds numbers (compared by value under Exact).
    LocateMatcher(const QString& value, MatchType type, bool caseSensitive, bool numeric);
    // `text`: the field's text in UTF-8 (upper-cased in place unless the
    // match is case-sensitive). For numeric fields under Exact, `number`
    // is compared instead.
    bool matches(std::string& text, double number) const;
    bool comparesNumbers() const { return numeric_ && type_ == MatchType::Exact; }

  private:
    std::string value_;
    MatchType type_;
    bool caseSensitive_;
    bool numeric_;
    bool numberValid_ = false;
    double number_ = 0;
};

// The record search. `fromFirst`: test the first record in the table's
// current order and then the ones after it; otherwise only the records after
// the current one. Found: the table is on the match. Otherwise it is back on
// the record that was current. A pending edit is posted first. Date fields
// are compared on their text in the date format of `formats`. Throws
// dbase::Error from the engine.
LocateResult locateRecord(dbase::Table& table, bool fromFirst, const QString& fieldName,
                          bool caseSensitive, MatchType type, const QString& value,
                          const settings::Formats& formats);

// The messages of locate.
QString noActiveDataSetMessage();
QString noActiveTableMessage();
QString noMatchesMessage(bool fromFirst);  // "No matches found" / "No more matches found"
QString fieldNotFoundMessage(const QString& fieldName);

// The dialog's field list: the display label of each book field in field
// order ("~" read as a blank), sorted by label under ByFieldName; hidden
// fields left out under VisibleFields. `labels` and `shown` are indexed by
// field number - 1.
QStringList fieldList(const QStringList& labels, const QList<bool>& shown, FieldOrder order,
                      FieldSelection selection);
// The table's name of the field whose label (with "~" read as a blank) is
// exactly `text`; empty when none is.
QString fieldNameOfLabel(const QStringList& labels, const QString& text);
// The label shown for a field name; empty when the name is no book field.
QString labelOfField(const QStringList& labels, const QString& fieldName);

}  // namespace find
