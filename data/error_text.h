// Errors above the engine, and errors as the user reads them.
//
// One error family runs from the engine up to the windows: dbase::Error,
// whose kind says what went wrong (held by another user, damaged, not a
// dBase table, disk full, I/O, ...), and books::Error, derived from it, for
// what the layers above the engine find themselves (a settings file that
// cannot be written, a switch that failed twice). Nothing above the engine
// throws std::runtime_error or a string; a catch site catches dbase::Error
// and shows or passes on what it caught.
//
// The engine names a field by its dBase name ("field YEARPUB"); every
// message the user reads names a book field by its display name instead
// ("field \"Year Pub\""), the caption of the settings given.
#pragma once

#include <QString>
#include <exception>
#include <string>

#include "dbase/error.h"

namespace settings {
struct Settings;
}

namespace books {

class Error : public dbase::Error {
  public:
    using dbase::Error::Error;
    Error(Kind kind, const QString& message, const QString& file = {});

    // The whole text of `first` with `second` told beneath it, of the
    // first's kind (the failure the user acted on).
    static Error followedBy(const dbase::Error& first, const std::string& second);
};

// `engineText` with each "field NAME" whose NAME is a book field replaced by
// that field's display name in double quotes. Other text is left alone.
QString withDisplayNames(const QString& engineText, const settings::Settings& settings);

// The text of `e` (an engine error or any other failure) for a message box.
QString errorText(const std::exception& e, const settings::Settings& settings);

// The display name of book field `number` (1 to 36).
QString displayName(int number, const settings::Settings& settings);

}  // namespace books
