// The public interface of Table: pointing, opening, structure, navigation,
// positions, values, changes, filter and observers.
#include "dbase/table_impl.h"

#include <utility>

namespace dbase {

// ======================================================================
// The public interface

Table::Table() : d_(std::make_unique<Impl>(*this)) {}

Table::~Table() {
    try {
        d_->close();
    } catch (...) {
    }
}

void Table::setPath(const std::string& directory, const std::string& tableName) {
    d_->requireClosed();
    d_->directory = directory;
    d_->tableName = tableName;
    d_->explicitPath.clear();
}

void Table::setFileName(const std::string& path) {
    d_->requireClosed();
    std::string full = path;
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    if (!ec)
        full = abs.lexically_normal().string();
    d_->explicitPath = full;
    d_->directory = directoryOf(full);
    d_->tableName = tableNameOf(full);
}

std::string Table::directory() const {
    return d_->directory;
}
std::string Table::tableName() const {
    return d_->tableName;
}
std::string Table::fileName() const {
    return isOpen() ? d_->path : d_->tablePath();
}
std::string Table::indexFileName() const {
    return siblingWithExtension(fileName(), "MDX");
}

void Table::setMode(OpenMode mode) {
    d_->requireClosed();
    d_->mode = mode;
}
OpenMode Table::mode() const {
    return d_->mode;
}
void Table::setReadOnly(bool readOnly) {
    d_->requireClosed();
    d_->readOnlyRequested = readOnly;
}
bool Table::readOnly() const {
    return isOpen() ? !d_->writable : d_->readOnlyRequested;
}

void Table::open() {
    d_->open();
}
void Table::close() {
    d_->close();
}
void Table::beginBulk() {
    d_->requireOpen();
    ++d_->bulk;
}
void Table::endBulk() {
    Impl& d = *d_;
    if (d.bulk == 0)  // closing ended it
        return;
    if (--d.bulk == 0 && d.state != TableState::Inactive)
        d.syncBulk();
}
bool Table::isOpen() const {
    return d_->state != TableState::Inactive;
}
const std::vector<std::string>& Table::openWarnings() const {
    return d_->warnings;
}

std::vector<std::string> Table::takeOpenWarnings() {
    return std::exchange(d_->untoldWarnings, {});
}

int Table::fieldCount() const {
    return static_cast<int>(d_->header.fields.size());
}
const Field& Table::field(int index) const {
    return d_->fieldAt(index);
}

int Table::findField(std::string_view name) const {
    const auto& fields = d_->header.fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (equalNoCase(fields[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

int Table::fieldIndex(std::string_view name) const {
    d_->requireOpen();
    const int i = findField(name);
    if (i < 0) {
        throw Error(Error::Kind::InvalidValue,
                    "The table has no field named \"" + std::string(name) + "\".", d_->path);
    }
    return i;
}

std::string Table::codePage() const {
    return d_->codePage->name();
}

void Table::first() {
    d_->requireOpen();
    d_->browseMode();
    d_->first();
}

void Table::last() {
    d_->requireOpen();
    d_->browseMode();
    d_->last();
}

void Table::next() {
    d_->requireOpen();
    d_->browseMode();
    Impl& d = *d_;
    if (d.cur == 0) {
        d.atEof = true;
        return;
    }
    const std::uint32_t r = d.seekForward(d.order->next(d.cur));
    if (r == 0) {
        d.atEof = true;
    } else {
        d.cur = r;
        d.atEof = d.atBof = false;
    }
}

void Table::prior() {
    d_->requireOpen();
    d_->browseMode();
    Impl& d = *d_;
    if (d.cur == 0) {
        d.atBof = true;
        return;
    }
    const std::uint32_t r = d.seekBackward(d.order->prior(d.cur));
    if (r == 0) {
        d.atBof = true;
    } else {
        d.cur = r;
        d.atEof = d.atBof = false;
    }
}

bool Table::eof() const {
    return d_->atEof;
}
bool Table::bof() const {
    return d_->atBof;
}

bool Table::isEmpty() const {
    if (!isOpen())
        return true;
    if (d_->cur != 0)
        return false;
    return d_->seekForward(d_->order->first()) == 0;
}

std::uint32_t Table::recNo() const {
    return d_->state == TableState::Insert ? 0 : d_->cur;
}

bool Table::gotoRecNo(std::uint32_t recNo) {
    d_->requireOpen();
    d_->browseMode();
    if (recNo == 0 || recNo > d_->header.recordCount || !d_->isVisible(recNo))
        return false;
    d_->cur = recNo;
    d_->atBof = d_->atEof = false;
    return true;
}

std::uint32_t Table::recordCount() {
    if (!isOpen())
        return 0;
    d_->buildVisible();
    return static_cast<std::uint32_t>(d_->visible.size());
}

bool Table::recordCountKnown() const {
    return !isOpen() || d_->visibleValid;
}

std::uint32_t Table::recordCountBound() {
    if (!isOpen())
        return 0;
    Impl& d = *d_;
    if (d.visibleValid)
        return static_cast<std::uint32_t>(d.visible.size());
    if (d.indexOrder != nullptr)
        return static_cast<std::uint32_t>(d.indexOrder->records().size());
    return d.header.recordCount;
}

void Table::moveToPosition(std::uint32_t position) {
    d_->requireOpen();
    d_->browseMode();
    if (!d_->listTop(position))
        d_->buildVisible();
    const auto& v = d_->visibleValid ? d_->visible : d_->top;
    if (v.empty()) {
        d_->cur = 0;
        d_->atBof = d_->atEof = true;
        return;
    }
    d_->cur = v[std::min<size_t>(position, v.size() - 1)];
    d_->atBof = d_->atEof = false;
}

std::uint32_t Table::position() {
    if (!isOpen() || d_->cur == 0)
        return 0;
    // Near the top of the order (where a table opens) it is found without
    // the count, listing the top as far as the record when that is cheap.
    Impl& d = *d_;
    for (std::uint32_t p = 0; !d.visibleValid && d.listTop(p); ++p) {
        if (d.visibleValid)
            break;  // the order was listed whole: the count is known
        if (d.top[p] == d.cur)
            return p;
    }
    d.buildVisible();
    const auto& v = d_->visible;
    auto it = d_->order->ascendingRecNo() ? std::lower_bound(v.begin(), v.end(), d_->cur)
                                          : std::find(v.begin(), v.end(), d_->cur);
    if (it == v.end() || *it != d_->cur)
        return 0;
    return static_cast<std::uint32_t>(it - v.begin());
}

std::uint32_t Table::recNoAtPosition(std::uint32_t position) {
    if (!isOpen())
        return 0;
    if (d_->listTop(position) && !d_->visibleValid)
        return position < d_->top.size() ? d_->top[position] : 0;
    d_->buildVisible();
    return position < d_->visible.size() ? d_->visible[position] : 0;
}

std::uint32_t Table::physicalRecordCount() const {
    return d_->header.recordCount;
}

std::string Table::asString(int field) const {
    std::string out;
    d_->readString(field, out);
    return out;
}

void Table::readString(int field, std::string& out) const {
    d_->readString(field, out);
}

double Table::asFloat(int field) const {
    const Field& f = d_->fieldAt(field);
    const std::uint8_t* rec = d_->activeRecord();
    switch (f.type) {
        case FieldType::Numeric:
        case FieldType::Float:
        case FieldType::Character:
            return value::parseNumber(d_->raw(rec, f));
        case FieldType::Logical:
            return value::parseLogical(d_->raw(rec, f)) ? 1.0 : 0.0;
        case FieldType::Date:
            throw Error(Error::Kind::InvalidValue,
                        "The date field " + f.name + " cannot be read as a number.", d_->path);
        default:
            d_->unsupportedField(f);
    }
}

Date Table::asDate(int field) const {
    const Field& f = d_->fieldAt(field);
    const std::uint8_t* rec = d_->activeRecord();
    if (f.type == FieldType::Date)
        return value::parseDate(d_->raw(rec, f));
    if (f.type == FieldType::Character) {
        Date d;
        return value::parseDateText(value::trim(d_->raw(rec, f)), d) ? d : Date{};
    }
    throw Error(Error::Kind::InvalidValue, "The field " + f.name + " cannot be read as a date.",
                d_->path);
}

bool Table::asBool(int field) const {
    const Field& f = d_->fieldAt(field);
    const std::uint8_t* rec = d_->activeRecord();
    if (f.type == FieldType::Logical)
        return value::parseLogical(d_->raw(rec, f));
    const std::string_view t = value::trim(d_->raw(rec, f));
    return equalNoCase(t, "T") || equalNoCase(t, "Y") || equalNoCase(t, "YES") ||
           equalNoCase(t, "TRUE");
}

bool Table::isBlank(int field) const {
    const Field& f = d_->fieldAt(field);
    const std::uint8_t* rec = d_->activeRecord();
    if (f.type == FieldType::Date)
        return value::parseDate(d_->raw(rec, f)).isNull();
    if (f.type == FieldType::Memo)
        return d_->memoBlock(rec, f) == 0;
    if (f.type == FieldType::Numeric || f.type == FieldType::Float)
        return value::numberText(d_->raw(rec, f)).empty();
    return value::trim(d_->raw(rec, f)).empty();
}

std::string_view Table::fieldBytes(int field) const {
    const Field& f = d_->fieldAt(field);
    return d_->raw(d_->activeRecord(), f);
}

std::string_view Table::recordBytes() const {
    d_->requireOpen();
    return {reinterpret_cast<const char*>(d_->activeRecord()), d_->header.recordLength};
}

std::string Table::stringAt(std::uint32_t recNo, int field) const {
    Impl& d = *d_;
    d.requireOpen();
    if (recNo == 0 || recNo > d.header.recordCount) {
        throw Error(Error::Kind::State, "There is no record number " + std::to_string(recNo) + ".",
                    d.path);
    }
    struct Restore {
        std::uint32_t& slot;
        std::uint32_t saved;
        ~Restore() { slot = saved; }
    } restore{d.candidate, d.candidate};
    d.candidate = recNo;
    std::string out;
    d.readString(field, out);
    return out;
}

void Table::setString(int field, std::string_view utf8) {
    d_->requireEditing();
    Impl& d = *d_;
    const Field& f = d.fieldAt(field);
    std::string& s = d.scratch;
    s.clear();
    switch (f.type) {
        case FieldType::Character: {
            if (!d.codePage->encode(utf8, s)) {
                d.invalidValue("The text \"" + std::string(utf8) +
                                   "\" holds a character that the table's code page (" +
                                   d.codePage->name() + ") cannot store",
                               f);
            }
            s.resize(static_cast<size_t>(f.width), ' ');  // a longer text is cut to the field
            d.storeField(f, s);
            return;
        }
        case FieldType::Numeric:
        case FieldType::Float: {
            switch (value::formatNumberText(utf8, f.width, f.decimals, s)) {
                case value::NumberResult::NotANumber:
                    d.invalidValue("\"" + std::string(utf8) + "\" is not a valid number", f);
                case value::NumberResult::TooWide:
                    d.invalidValue("The number " + std::string(utf8) + " does not fit in " +
                                       std::to_string(f.width) + " characters with " +
                                       std::to_string(f.decimals) + " decimals",
                                   f);
                default:
                    d.storeField(f, s);
                    return;
            }
        }
        case FieldType::Date: {
            Date dt;
            if (!value::parseDateText(utf8, dt))
                d.invalidValue("\"" + std::string(utf8) + "\" is not a valid date", f);
            d.storeField(f, value::formatDate(dt));
            return;
        }
        default:
            d.unsupportedField(f);
    }
}

void Table::setFloat(int field, double v) {
    d_->requireEditing();
    Impl& d = *d_;
    const Field& f = d.fieldAt(field);
    if (f.type == FieldType::Numeric || f.type == FieldType::Float) {
        std::string& s = d.scratch;
        switch (value::formatNumber(v, f.width, f.decimals, s)) {
            case value::NumberResult::NotANumber:
                d.invalidValue("The value is not a finite number", f);
            case value::NumberResult::TooWide:
                d.invalidValue("The number " + std::to_string(v) + " does not fit in " +
                                   std::to_string(f.width) + " characters with " +
                                   std::to_string(f.decimals) + " decimals",
                               f);
            default:
                d.storeField(f, s);
                return;
        }
    }
    if (f.type == FieldType::Character) {
        std::string text;
        if (value::formatNumber(v, 40, f.decimals, text) == value::NumberResult::TooWide)
            d.invalidValue("The number does not fit", f);
        setString(field, value::trim(text));
        return;
    }
    if (f.type == FieldType::Date)
        d.invalidValue("A number cannot be stored in a date field", f);
    d.unsupportedField(f);
}

void Table::setDate(int field, Date v) {
    d_->requireEditing();
    Impl& d = *d_;
    const Field& f = d.fieldAt(field);
    if (f.type != FieldType::Date) {
        if (f.type == FieldType::Character) {
            setString(field, value::trim(value::formatDate(v)));
            return;
        }
        d.invalidValue("A date cannot be stored in a " + typeName(f.type) + " field", f);
    }
    if (!v.isNull() && !v.isValid()) {
        d.invalidValue("The date " + std::to_string(v.year) + "-" + std::to_string(v.month) + "-" +
                           std::to_string(v.day) + " does not exist",
                       f);
    }
    d.storeField(f, value::formatDate(v));
}

void Table::clearField(int field) {
    d_->requireEditing();
    const Field& f = d_->fieldAt(field);
    if (!knownType(f.type) || f.type == FieldType::Memo || f.type == FieldType::Logical)
        d_->unsupportedField(f);
    std::memset(d_->editBuf.data() + f.offset, ' ', static_cast<size_t>(f.width));
}

void Table::setFieldBytes(int field, std::string_view bytes) {
    d_->requireEditing();
    const Field& f = d_->fieldAt(field);
    if (bytes.size() != static_cast<size_t>(f.width))
        d_->invalidValue(std::to_string(bytes.size()) + " bytes cannot fill a field of " +
                             std::to_string(f.width),
                         f);
    d_->storeField(f, bytes);
}

void Table::setFieldsBytes(int first, int last, std::string_view bytes) {
    d_->requireEditing();
    const Field& a = d_->fieldAt(first);
    const Field& b = d_->fieldAt(last);
    const int span = b.offset + b.width - a.offset;
    if (last < first || bytes.size() != static_cast<std::size_t>(span))
        d_->invalidValue(std::to_string(bytes.size()) + " bytes cannot fill the fields from " +
                             a.name + " to " + b.name,
                         b);
    std::memcpy(d_->editBuf.data() + a.offset, bytes.data(), bytes.size());
}

TableState Table::state() const {
    return d_->state;
}

void Table::append() {
    d_->requireWritable();
    d_->browseMode();
    d_->editBuf = d_->blankRecord;
    d_->state = TableState::Insert;
}

void Table::edit() {
    d_->requireWritable();
    Impl& d = *d_;
    if (d.state == TableState::Edit || d.state == TableState::Insert)
        return;
    if (d.cur == 0)
        throw Error(Error::Kind::State, "There is no record to edit.", d.path);
    // The record as it is on disk now, not as this table last read it.
    d.flushAppends();
    d.file.readExact(d.header.recordOffset(d.cur), d.oldBuf.data(), d.oldBuf.size());
    d.cache.patch(d.cur, d.oldBuf.data());
    d.editBuf = d.oldBuf;
    d.state = TableState::Edit;
}

void Table::beginBulkAppend() {
    d_->requireWritable();
    if (!d_->bulkAppend)
        ++d_->bulk;  // bulk work too
    d_->bulkAppend = true;
}

void Table::setWritePastCache(bool on) {
    d_->pastCache = on;
    if (d_->streamFirst == 0)
        d_->batchWriter.reset();  // made again the way asked
}

void Table::endBulkAppend() {
    Impl& d = *d_;
    if (!d.bulkAppend)
        return;
    d.bulkAppend = false;
    if (!isOpen())
        return;
    d.flushAppends();
    d.batchWriter.reset();
    endBulk();
}

void Table::post() {
    d_->requireOpen();
    d_->post();
}

void Table::cancel() {
    if (d_->state == TableState::Edit || d_->state == TableState::Insert)
        d_->state = TableState::Browse;
}

void Table::deleteRecord() {
    d_->deleteCurrent();
}
void Table::refresh() {
    d_->refresh();
}

void Table::setFilter(Filter filter) {
    Impl& d = *d_;
    if (isOpen())
        d.browseMode();
    d.filter = std::move(filter);
    d.dropVisible();
    if (isOpen()) {
        d.settleOn(d.cur);
        d.notifyReset();
    }
}

bool Table::hasFilter() const {
    return static_cast<bool>(d_->filter);
}

void Table::addObserver(TableObserver* observer) {
    if (observer &&
        std::find(d_->observers.begin(), d_->observers.end(), observer) == d_->observers.end())
        d_->observers.push_back(observer);
}

void Table::removeObserver(TableObserver* observer) {
    auto& o = d_->observers;
    o.erase(std::remove(o.begin(), o.end(), observer), o.end());
}

void Table::disableControls() {
    ++d_->disabled;
}

void Table::enableControls() {
    if (d_->disabled == 0)
        return;
    if (--d_->disabled == 0 && d_->pendingReset) {
        d_->pendingReset = false;
        d_->notifyReset();
    }
}

bool Table::controlsDisabled() const {
    return d_->disabled > 0;
}

}  // namespace dbase
