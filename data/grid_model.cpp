#include "data/grid_model.h"

#include "data/error_text.h"

#include <QBrush>
#include <QDate>

#include "settings/formats.h"

namespace books {
namespace {

// Rows kept in memory; a screen needs a few dozen.
constexpr int kCacheRows = 512;
// How long a count put off waits for a view to read the rows of its screen.
constexpr int kSettleWait = 300;

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).trimmed();
}

bool isNumeric(int fieldNumber) {
    const auto k = fields::bookField(fieldNumber).kind;
    return k == fields::FieldKind::Integer || k == fields::FieldKind::Float;
}

}  // namespace

GridModel::GridModel(dbase::Table* table, const settings::Settings& settings, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      settings_(settings),
      settleTimer_(new QTimer(this)),
      countLaterFrom_(OpenCollection::kCountLaterFrom) {
    settleTimer_->setSingleShot(true);
    connect(settleTimer_, &QTimer::timeout, this, [this] {
        if (settleArmed_) {
            settleCount();
            return;
        }
        // The event loop runs: a view has a moment to read its screen.
        settleArmed_ = true;
        settleTimer_->start(kSettleWait);
    });
    for (const fields::BookField& f : fields::bookFields())
        captions_.push_back(
            QString::fromUtf8(f.caption.data(), static_cast<qsizetype>(f.caption.size())));
    table_->addObserver(this);
}

GridModel::~GridModel() {
    table_->removeObserver(this);
}

void GridModel::setFieldEditing(bool on) {
    if (editing_ == on)
        return;
    editing_ = on;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, fields::kFieldCount - 1));
}

void GridModel::setCaptions(const QStringList& captions) {
    for (int i = 0; i < fields::kFieldCount && i < captions.size(); ++i)
        captions_[i] = captions[i];
    emit headerDataChanged(Qt::Horizontal, 0, fields::kFieldCount - 1);
}

void GridModel::setTitleAlignment(int code) {
    alignment_ = code;
    emit headerDataChanged(Qt::Horizontal, 0, fields::kFieldCount - 1);
}

void GridModel::setIndicatorRow(int r) {
    if (r == indicator_)
        return;
    const int old = indicator_;
    indicator_ = r;
    const int n = rowCount();
    if (old >= 0 && old < n)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (r >= 0 && r < n)
        emit headerDataChanged(Qt::Vertical, r, r);
}

int GridModel::insertRow() const {
    if (!table_->isOpen() || table_->state() != dbase::TableState::Insert)
        return -1;
    return rowCount() - 1;
}

void GridModel::reload() {
    beginResetModel();
    count_.reset();
    countEstimated_ = false;
    cache_.clear();
    fieldsMapped_ = false;
    endResetModel();
}

void GridModel::tableReset() {
    reload();
}

void GridModel::recordChanged(std::uint32_t recNo) {
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->recNo == recNo) {
            const int r = it.key();
            cache_.erase(it);
            emit dataChanged(index(r, 0), index(r, fields::kFieldCount - 1));
            return;
        }
    }
}

int GridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !table_->isOpen())
        return 0;
    if (!count_) {
        try {
            const bool later = !table_->recordCountKnown() && !table_->hasFilter() &&
                               table_->physicalRecordCount() >= countLaterFrom_;
            const std::uint32_t n = later ? table_->recordCountBound() : table_->recordCount();
            count_ = static_cast<int>(std::min<std::uint32_t>(n, INT32_MAX - 1));
            countEstimated_ = later;
            if (later && !settleTimer_->isActive()) {
                // First the event loop must run (the window is being built).
                screenRead_ = false;
                settleArmed_ = false;
                settleTimer_->start(0);
            }
        } catch (const dbase::Error&) {
            count_ = 0;
        }
    }
    return *count_ + (table_->state() == dbase::TableState::Insert ? 1 : 0);
}

void GridModel::settleCount() {
    settleTimer_->stop();
    if (!count_ || !countEstimated_)
        return;
    countEstimated_ = false;
    int n = 0;
    try {
        n = static_cast<int>(std::min<std::uint32_t>(table_->recordCount(), INT32_MAX - 1));
    } catch (const dbase::Error&) {
        n = 0;
    }
    const int old = *count_;
    if (n < old) {
        beginRemoveRows({}, n, old - 1);
        count_ = n;
        for (auto it = cache_.begin(); it != cache_.end();)
            it = it.key() >= n ? cache_.erase(it) : std::next(it);
        endRemoveRows();
    } else if (n > old) {
        beginInsertRows({}, old, n - 1);
        count_ = n;
        endInsertRows();
    }
    emit countSettled();
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fields::kFieldCount;
}

void GridModel::mapFields() const {
    if (fieldsMapped_)
        return;
    for (int f = 1; f <= fields::kFieldCount; ++f) {
        const auto& name = fields::bookField(f).name;
        fieldIndex_[static_cast<size_t>(f - 1)] = table_->findField(name);
    }
    fieldsMapped_ = true;
}

QString GridModel::fieldText(int fieldNumber, const std::string& raw) const {
    QString text = fromUtf8(raw);
    if (fields::bookField(fieldNumber).kind == fields::FieldKind::Date) {
        // Dates come from the engine as YYYYMMDD.
        if (text.size() == 8) {
            bool ok = false;
            const int v = text.toInt(&ok);
            if (ok)
                return settings_.formats.dateToText(dbase::Date{v / 10000, v / 100 % 100, v % 100});
        }
        return text;
    }
    return text;
}

const GridModel::Row* GridModel::row(int r) const {
    if (r < 0 || !table_->isOpen())
        return nullptr;
    // The pending new record and the record being edited show the edit buffer.
    const auto state = table_->state();
    const bool buffer = (state == dbase::TableState::Insert && r == insertRow()) ||
                        (state == dbase::TableState::Edit && r == indicator_);
    static thread_local Row scratch;
    mapFields();
    try {
        if (buffer) {
            scratch.recNo = state == dbase::TableState::Edit ? table_->recNo() : 0;
            for (int f = 1; f <= fields::kFieldCount; ++f) {
                const int idx = fieldIndex_[static_cast<size_t>(f - 1)];
                QString& out = scratch.values[static_cast<size_t>(f - 1)];
                if (idx < 0) {
                    out.clear();
                } else if (fields::bookField(f).kind == fields::FieldKind::Date) {
                    out = settings_.formats.dateToText(table_->asDate(idx));
                } else {
                    out = fromUtf8(table_->asString(idx));
                }
            }
            return &scratch;
        }
        if (r >= (count_ ? *count_ : rowCount()))
            return nullptr;
        if (countEstimated_ && !screenRead_) {
            // Rows for the screen: counted once it is shown.
            screenRead_ = settleArmed_ = true;
            settleTimer_->start(0);
        }
        if (auto it = cache_.constFind(r); it != cache_.constEnd())
            return &*it;
        if (cache_.size() >= kCacheRows)
            cache_.clear();
        Row fresh;
        fresh.recNo = table_->recNoAtPosition(static_cast<std::uint32_t>(r));
        for (int f = 1; f <= fields::kFieldCount; ++f) {
            const int idx = fieldIndex_[static_cast<size_t>(f - 1)];
            if (idx >= 0)
                fresh.values[static_cast<size_t>(f - 1)] =
                    fieldText(f, table_->stringAt(fresh.recNo, idx));
        }
        return &*cache_.insert(r, std::move(fresh));
    } catch (const dbase::Error&) {
        // A damaged record shows blank rather than taking the grid down.
        return nullptr;
    }
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= fields::kFieldCount)
        return {};
    const int field = index.column() + 1;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: {
            if (index.column() == kCheckOutColumn)
                return {};
            const Row* r = row(index.row());
            return r ? r->values[static_cast<size_t>(field - 1)] : QString();
        }
        case Qt::CheckStateRole: {
            if (index.column() != kCheckOutColumn)
                return {};
            const Row* r = row(index.row());
            const bool yes = r && r->values[kCheckOutColumn].compare(QStringLiteral("Yes"),
                                                                     Qt::CaseInsensitive) == 0;
            return yes ? Qt::Checked : Qt::Unchecked;
        }
        case Qt::TextAlignmentRole:
            return isNumeric(field) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                    : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal) {
        if (section < 0 || section >= fields::kFieldCount)
            return {};
        if (role == Qt::DisplayRole)
            return captions_.value(section);
        if (role == Qt::TextAlignmentRole) {
            const Qt::Alignment h = alignment_ == 1   ? Qt::AlignLeft
                                    : alignment_ == 3 ? Qt::AlignRight
                                                      : Qt::AlignHCenter;
            return QVariant(h | Qt::AlignVCenter);
        }
        return {};
    }
    if (role == Qt::DisplayRole) {
        if (section == insertRow())
            return QStringLiteral("*");
        return section == indicator_ ? QStringLiteral("\u25B6") : QString();
    }
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (editing_) {
        if (index.column() == kCheckOutColumn)
            f |= Qt::ItemIsUserCheckable;
        else
            f |= Qt::ItemIsEditable;
    }
    return f;
}

bool GridModel::writeValue(int fieldNumber, const QVariant& value, QString* error) {
    const int idx = fieldIndex_[static_cast<size_t>(fieldNumber - 1)];
    if (idx < 0)
        return false;
    const fields::BookField& bf = fields::bookField(fieldNumber);
    if (fieldNumber == kCheckOutColumn + 1 && value.typeId() != QMetaType::QString) {
        const bool yes = value.toInt() == Qt::Checked;
        table_->setString(idx, yes ? "Yes" : "No");
        return true;
    }
    const QString text = value.toString();
    if (bf.kind != fields::FieldKind::String && text.trimmed().isEmpty()) {
        table_->clearField(idx);
        return true;
    }
    if (bf.kind == fields::FieldKind::Date) {
        const auto d = settings_.formats.textToEngineDate(text);
        if (!d) {
            *error = QStringLiteral("'%1' is not a valid date for field \"%2\"")
                         .arg(text.trimmed(), displayName(fieldNumber, settings_));
            return false;
        }
        table_->setDate(idx, *d);
        return true;
    }
    const QString stored = bf.kind == fields::FieldKind::String ? text : text.trimmed();
    table_->setString(idx, stored.toStdString());
    return true;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!editing_ || !index.isValid() || !table_->isOpen())
        return false;
    if (role != Qt::EditRole && !(role == Qt::CheckStateRole && index.column() == kCheckOutColumn))
        return false;
    mapFields();
    const int field = index.column() + 1;
    const int r = index.row();
    QString error;
    const auto state = table_->state();
    try {
        if (state == dbase::TableState::Browse) {
            const Row* current = row(r);
            if (!current || !table_->gotoRecNo(current->recNo))
                return false;
            const std::uint32_t recNo = current->recNo;
            table_->edit();
            if (!writeValue(field, value, &error)) {
                table_->cancel();
                emit editFailed(error);
                return false;
            }
            table_->post();
            recordChanged(recNo);
            emit recordPosted();
        } else {
            // The navigator has a record open: only that record takes values.
            const int open = state == dbase::TableState::Insert ? insertRow() : indicator_;
            if (r != open)
                return false;
            if (!writeValue(field, value, &error)) {
                emit editFailed(error);
                return false;
            }
        }
    } catch (const dbase::Error& e) {
        if (state == dbase::TableState::Browse && table_->state() != dbase::TableState::Browse)
            table_->cancel();
        emit editFailed(errorText(e, settings_));
        return false;
    }
    emit dataChanged(this->index(r, 0), this->index(r, fields::kFieldCount - 1));
    return true;
}

}  // namespace books
