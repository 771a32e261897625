// Where the program's files live. The program directory holds the pick
// lists, the report definitions and the default collection; the settings
// file lives in the per-user configuration folder. Both follow the XDG base
// directory variables so that tests can point them at temporary folders.
#pragma once

#include <QString>

namespace settings {

// $XDG_DATA_HOME/tomekeep (default ~/.local/share/tomekeep), without a
// trailing "/". Created when missing.
QString programDirectory();

// Creates `directory` and any missing folders above it. True when it exists
// as a folder afterwards; otherwise false with the system's reason in
// `error` ("Permission denied").
bool makeFolder(const QString& directory, QString* error = nullptr);

// $XDG_CONFIG_HOME/TMKBOOK.INI (default ~/.config/TMKBOOK.INI).
QString settingsFile();

// The current directory when the program started, without a trailing "/"
// (also when it is the root).
QString startDirectory();

// Looks in `directory` for a file whose name equals `name` without regard
// to letter case; returns its full path, or an empty string.
QString findFileNoCase(const QString& directory, const QString& name);

}  // namespace settings
