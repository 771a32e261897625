// Engine errors as the user reads them. The engine names a field by its
// dBase name ("field YEARPUB"); every message the user reads names a book
// field by its display name instead ("field \"Year Pub\"").
#pragma once

#include <QString>
#include <exception>

namespace books {

// `engineText` with each "field NAME" whose NAME is a book field replaced by
// that field's display name in double quotes. Other text is left alone.
QString withDisplayNames(const QString& engineText);

// The text of `e` (an engine error or any other failure) for a message box.
QString errorText(const std::exception& e);

// The display name of book field `number` (1 to 36).
QString displayName(int number);

}  // namespace books
