#include "data/fast_append.h"

#include <QString>

#include "data/open_collection.h"
#include "dbase/table.h"

namespace books {

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool rebuildTagAfterwards(std::uint64_t existing, std::uint64_t expected) {
    return expected * 20 >= existing;
}

void appendToCollection(OpenCollection& collection, std::uint64_t expected,
                        const std::function<void(dbase::Table&)>& work) {
    dbase::Table& t = collection.table();
    const std::string tag = t.indexTag();
    const std::string expression = collection.sortExpression().toStdString();
    t.close();
    t.setMode(dbase::OpenMode::Exclusive);
    try {
        t.open();
    } catch (const dbase::Error&) {
        // Another program has the file open: add the books with shared use.
        collection.reopenShared();
        work(t);
        return;
    }
    bool dropped = false;
    auto restore = [&] {
        if (dropped) {
            t.addIndexTag(tag, expression);
            dropped = false;
        }
        t.setIndexTag(tag);
        collection.reopenShared();
    };
    try {
        const auto tags = t.indexTags();
        if (!tag.empty() && !expression.empty() && tags.size() == 1 &&
            sameName(tags.front(), tag) &&
            rebuildTagAfterwards(t.physicalRecordCount(), expected)) {
            t.setIndexTag({});
            t.deleteIndexTag(tag);
            dropped = true;
            // The keys are gathered as the books are added, so the tag is
            // written without reading the table again.
            try {
                t.gatherIndexTag(tag, expression);
            } catch (const dbase::Error&) {
                // Then the tag is built from the records afterwards.
            }
        }
        work(t);
    } catch (...) {
        try {
            restore();
        } catch (const dbase::Error&) {
            // The first error is the one to report; the next start adds the
            // tag again if it is still missing.
        }
        throw;
    }
    restore();
}

}  // namespace books
