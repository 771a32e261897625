#include "edit/record_update.h"

#include "data/error_text.h"
#include "data/open_collection.h"
#include "settings/settings.h"

namespace edit {

namespace {

const char* const kChangedByOther =
    "This record was changed by another user after it was shown here.  Your changes were not "
    "written.  Update again to write them over the other user's changes.";
const char* const kGone =
    "This record can no longer be found (another user may have deleted it).  Your changes "
    "were not written.";

}  // namespace

UpdateResult writeRecord(books::OpenCollection& collection, bool insert, const FormValues& values,
                         const settings::Settings& settings, StoredRecord& base) {
    dbase::Table& table = collection.table();
    try {
        collection.post();  // nothing of anyone else's may stay pending
        if (!insert && base.recNo == 0)
            insert = true;  // nothing was read: the record is a new one
        if (insert) {
            collection.insert();
        } else {
            if (table.recNo() != base.recNo && !table.gotoRecNo(base.recNo))
                return {UpdateResult::Kind::Gone, QString::fromLatin1(kGone)};
            collection.edit();
            const StoredRecord onDisk = storedRecord(table);
            if (!(onDisk == base)) {
                collection.cancel();
                base = onDisk;
                return {UpdateResult::Kind::ChangedByOther, QString::fromLatin1(kChangedByOther)};
            }
        }
        storeValues(table, values, settings.formats);
        collection.post();
        base = storedRecord(table);
        return {};
    } catch (const std::exception& e) {
        try {
            collection.cancel();
        } catch (const std::exception&) {
            // Nothing was written; the table's own state is what is left.
        }
        return {UpdateResult::Kind::Refused, books::errorText(e, settings)};
    }
}

}  // namespace edit
