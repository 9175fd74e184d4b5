#pragma once
// The property list of one control: every property without index arguments,
// read late-bound and written back through the control's dispatch face when
// a person edits a value.

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>
#include <vector>

#include "automation/control.h"
#include "automation/dispatch.h"

namespace testcontainer {

class PropertyModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kNameColumn, kValueColumn, kTypeColumn, kIdColumn, kColumnCount };
    // Qt::UserRole: the texts of the values a drop-down offers (QStringList).
    static constexpr int kChoicesRole = Qt::UserRole + 1;

    explicit PropertyModel(QObject* parent = nullptr);

    // Lists the properties of obj (null: none) and reads them.
    void SetObject(vantry::automation::ObjectPtr obj);
    // Reads every value again.
    void Refresh();
    // Reads one property again (after a change notice).
    void RefreshId(vantry::automation::DispId id);
    // The row of a property, -1 when not listed.
    int RowOf(vantry::automation::DispId id) const;
    const vantry::automation::MemberInfo& MemberAt(int row) const { return rows_.at(row).info; }
    // True while a write is running (it may pump events, e.g. a request).
    bool Writing() const { return writing_ > 0; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A line for the container's log (writes and their errors).
    void logLine(const QString& line);

private:
    struct Row {
        vantry::automation::MemberInfo info;
        QString shown;     // the value as listed
        QString editText;  // what an editor starts from
        bool failed = false;
        bool editable = false;
        QStringList choiceTexts;
        std::vector<vantry::automation::Variant> choiceValues;
    };
    void Read(Row& row);

    vantry::automation::ObjectPtr object_;
    std::shared_ptr<vantry::automation::IDispatchable> dispatch_;
    std::shared_ptr<vantry::automation::IPropertyBrowsing> browsing_;
    std::vector<Row> rows_;
    int writing_ = 0;
};

}  // namespace testcontainer
