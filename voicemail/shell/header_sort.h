#pragma once
// The sortable list look shared by the book list and the address picker: a
// header click sorts by that column, a second click on the same column turns
// the order round, and the sorted header ends in "+" (ascending) or "-".
// Headers carry two trailing blanks, the last of which takes the mark.

#include <QString>
#include <Qt>

class QTreeWidget;

namespace murmel {

class HeaderSort {
public:
    explicit HeaderSort(Qt::SortOrder first = Qt::AscendingOrder) : order_(first) {}

    // The user clicked COLUMN's header of LIST.
    void ColumnClick(QTreeWidget* list, int column);
    // Sorts LIST again as last chosen (after a refill).
    void Apply(QTreeWidget* list) const;
    // Back to the first column, ascending, with no header marked.
    void Reset();

private:
    QString header_;  // the marked header's text before it was marked
    int column_ = 0;
    Qt::SortOrder order_;
};

}  // namespace murmel
