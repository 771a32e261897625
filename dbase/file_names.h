// Names of a table's files. A table "books.dbf" has its index and memo
// files beside it; an existing sibling is found whatever the letter case
// of its name and extension (one named exactly like the table preferred),
// and a new one takes the letter case of the table's own extension.
#pragma once

#include <string>
#include <string_view>

namespace dbase {

// "<directory>/<stem>.<ext>" for the table at tablePath: the existing file
// whose name matches without regard to case, or, when none exists, the name
// a new one gets.
std::string siblingWithExtension(const std::string& tablePath, std::string_view extension);

// "<directory>/<tableName>.<extension>", the existing file whose extension
// matches without regard to case, or the name with the extension as given.
std::string fileInDirectory(const std::string& directory, const std::string& tableName,
                            std::string_view extension);

// The folder of a path ("" for a bare name) and the file name without its
// extension, cut at the first ".".
std::string directoryOf(const std::string& path);
std::string tableNameOf(const std::string& path);

bool fileExists(const std::string& path);

// Names of fields, tags and extensions compared without regard to the case
// of ASCII letters.
bool equalNoCase(std::string_view a, std::string_view b);

}  // namespace dbase
