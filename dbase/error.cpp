#include "dbase/error.h"

namespace dbase {

namespace {
std::string compose(const std::string& message, const std::string& file) {
    if (file.empty())
        return message;
    return message + "\nFile: " + file;
}
}  // namespace

Error::Error(Kind kind, const std::string& message, const std::string& file)
    : std::runtime_error(compose(message, file)), kind_(kind), file_(file), message_(message) {}

}  // namespace dbase
