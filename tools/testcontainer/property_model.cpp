#include "testcontainer/property_model.h"

#include <QBrush>
#include <algorithm>

#include "testcontainer/value_text.h"

namespace testcontainer {

using namespace vantry::automation;

namespace {

QString Qs(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

PropertyModel::PropertyModel(QObject* parent) : QAbstractTableModel(parent) {}

void PropertyModel::SetObject(ObjectPtr obj) {
    beginResetModel();
    object_ = std::move(obj);
    dispatch_ = QueryInterface<IDispatchable>(object_);
    browsing_ = QueryInterface<IPropertyBrowsing>(object_);
    rows_.clear();
    if (dispatch_) {
        for (MemberInfo& info : dispatch_->Members()) {
            // Properties with index arguments are offered among the methods.
            if (info.isMethod || !info.argTypes.empty()) {
                continue;
            }
            Row row;
            row.info = std::move(info);
            rows_.push_back(std::move(row));
        }
        std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) {
            return QString::fromStdString(a.info.name)
                       .compare(QString::fromStdString(b.info.name), Qt::CaseInsensitive) < 0;
        });
        for (Row& row : rows_) {
            Read(row);
        }
    }
    endResetModel();
}

void PropertyModel::Read(Row& row) {
    row.failed = false;
    row.choiceTexts.clear();
    row.choiceValues.clear();
    bool hasPage = false;
    if (browsing_) {
        try {
            for (auto& [text, value] : browsing_->PredefinedValues(row.info.id)) {
                row.choiceTexts << Qs(text);
                row.choiceValues.push_back(value);
            }
            hasPage = browsing_->PropertyPage(row.info.id).has_value();
        } catch (const AutomationError&) {
            // Browsing help is optional; the plain value still shows.
        }
    }
    // A property edited in a page (binary data and the like) is not typed in.
    row.editable = row.info.writable && !hasPage;
    if (!row.info.readable) {
        row.shown = QStringLiteral("(write-only)");
        row.editText.clear();
        return;
    }
    try {
        const Variant value = GetProperty(*dispatch_, row.info.id);
        row.shown = ValueText(value);
        row.editText = EditText(value);
        if (browsing_) {
            if (auto text = browsing_->DisplayString(row.info.id)) {
                row.shown = Qs(*text);
            }
        }
    } catch (const AutomationError& e) {
        row.failed = true;
        row.shown = ErrorText(e);
        row.editText.clear();
    }
}

void PropertyModel::Refresh() {
    for (size_t i = 0; i < rows_.size(); ++i) {
        Read(rows_[i]);
    }
    if (!rows_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
    }
}

void PropertyModel::RefreshId(DispId id) {
    const int row = RowOf(id);
    if (row < 0) {
        return;
    }
    Read(rows_[row]);
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

int PropertyModel::RowOf(DispId id) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].info.id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int PropertyModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PropertyModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant PropertyModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return QVariant();
    }
    const Row& row = rows_[index.row()];
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case kNameColumn:
                    return QString::fromStdString(row.info.name) +
                           ((row.info.flags & kHidden) ? QStringLiteral(" (hidden)") : QString());
                case kValueColumn:
                    return row.shown;
                case kTypeColumn:
                    return TypeText(row.info.type) +
                           (row.info.writable ? QString() : QStringLiteral(", read-only"));
                case kIdColumn:
                    return row.info.id;
            }
            break;
        case Qt::EditRole:
            if (index.column() == kValueColumn) {
                return row.editText;
            }
            break;
        case Qt::ForegroundRole:
            if (index.column() == kValueColumn && row.failed) {
                return QBrush(Qt::darkRed);
            }
            break;
        case Qt::ToolTipRole:
            if (!row.info.description.empty()) {
                return QString::fromStdString(row.info.description);
            }
            break;
        case kChoicesRole:
            return row.choiceTexts;
        default:
            break;
    }
    return QVariant();
}

bool PropertyModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != kValueColumn || index.row() >= rowCount() ||
        !dispatch_) {
        return false;
    }
    // Copied: the write may fire events and notices that reread the rows.
    const MemberInfo info = rows_[index.row()].info;
    const QString text = value.toString();
    const QString name = QString::fromStdString(info.name);
    // Held here: a long write may run the event loop, and the control must
    // outlive the call even if the person picks another one meanwhile.
    const auto dispatch = dispatch_;
    struct Busy {
        int& count;
        explicit Busy(int& c) : count(c) { ++count; }
        ~Busy() { --count; }
    } busy(writing_);
    try {
        Variant v;
        const Row& row = rows_[index.row()];
        const auto choice = row.choiceTexts.indexOf(text);
        if (choice >= 0) {
            v = row.choiceValues[choice];
        } else {
            v = ParseValue(text, info.type);
        }
        PutProperty(*dispatch, info.id, v);
        emit logLine(QStringLiteral("%1 = %2").arg(name, ValueText(v, true)));
    } catch (const AutomationError& e) {
        emit logLine(QStringLiteral("%1  [%2 = %3]").arg(ErrorText(e), name, text));
        Refresh();
        return false;
    }
    // One write may change others (a colour resets the frame, a URL its parts).
    Refresh();
    return true;
}

Qt::ItemFlags PropertyModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == kValueColumn && index.row() < rowCount() &&
        rows_[index.row()].editable) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

QVariant PropertyModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QVariant();
    }
    switch (section) {
        case kNameColumn:
            return QStringLiteral("Property");
        case kValueColumn:
            return QStringLiteral("Value");
        case kTypeColumn:
            return QStringLiteral("Type");
        case kIdColumn:
            return QStringLiteral("DISPID");
    }
    return QVariant();
}

}  // namespace testcontainer
