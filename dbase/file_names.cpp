#include "dbase/file_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>

namespace dbase {

namespace {

// The existing entry of `directory` named stem + "." + ext in any letter case
// of the extension (and, when `anyCaseStem`, of the stem); empty when none.
// The closest match wins: the name as given, then the stem as given.
std::string findEntry(const std::string& directory, std::string_view stem, std::string_view ext,
                      bool anyCaseStem) {
    const std::string exact = std::string(stem) + "." + std::string(ext);
    const std::string dirPath = directory.empty() ? "." : directory;
    if (fileExists(dirPath + "/" + exact))
        return exact;
    DIR* dir = ::opendir(dirPath.c_str());
    if (dir == nullptr)
        return {};
    std::string found;
    bool foundSameStem = false;
    while (dirent* e = ::readdir(dir)) {
        std::string_view name(e->d_name);
        if (name.size() != exact.size() || name[stem.size()] != '.' ||
            !equalNoCase(name.substr(stem.size() + 1), ext))
            continue;
        const bool sameStem = name.substr(0, stem.size()) == stem;
        if (!sameStem && !(anyCaseStem && equalNoCase(name.substr(0, stem.size()), stem)))
            continue;
        if (!fileExists(dirPath + "/" + std::string(name)))
            continue;
        if (found.empty() || (sameStem && !foundSameStem)) {
            found = std::string(name);
            foundSameStem = sameStem;
        }
        if (sameStem)
            break;
    }
    ::closedir(dir);
    return found;
}

std::string join(const std::string& directory, const std::string& name) {
    if (directory.empty())
        return name;
    if (directory.back() == '/')
        return directory + name;
    return directory + "/" + name;
}

}  // namespace

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    // ASCII only: the letter case rules of the user's locale play no part.
    const auto up = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    for (size_t i = 0; i < a.size(); ++i) {
        if (up(a[i]) != up(b[i]))
            return false;
    }
    return true;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string tableNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

std::string siblingWithExtension(const std::string& tablePath, std::string_view extension) {
    const std::string directory = directoryOf(tablePath);
    const size_t slash = tablePath.rfind('/');
    const std::string fileName =
        slash == std::string::npos ? tablePath : tablePath.substr(slash + 1);
    const size_t dot = fileName.rfind('.');
    const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    const std::string found = findEntry(directory, stem, extension, true);
    if (!found.empty())
        return join(directory, found);
    // A new sibling follows the case of the table's extension.
    std::string ext(extension);
    const bool lower = dot != std::string::npos && dot + 1 < fileName.size() &&
                       std::islower(static_cast<unsigned char>(fileName[dot + 1]));
    for (char& c : ext) {
        c = static_cast<char>(lower ? std::tolower(static_cast<unsigned char>(c))
                                    : std::toupper(static_cast<unsigned char>(c)));
    }
    return join(directory, stem + "." + ext);
}

std::string fileInDirectory(const std::string& directory, const std::string& tableName,
                            std::string_view extension) {
    const std::string found = findEntry(directory, tableName, extension, false);
    if (!found.empty())
        return join(directory, found);
    return join(directory, tableName + "." + std::string(extension));
}

}  // namespace dbase
