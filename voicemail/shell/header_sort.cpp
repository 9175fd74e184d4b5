#include "shell/header_sort.h"

#include <QTreeWidget>

namespace murmel {

void HeaderSort::ColumnClick(QTreeWidget* list, int column) {
    QTreeWidgetItem* header = list->headerItem();
    if (!header_.isEmpty()) {
        header->setText(column_, header_);
    }
    column_ = column;
    const QString text = header->text(column);
    const auto marked = [this](QChar mark) { return header_.chopped(1) + mark; };
    if (!header_.isEmpty() && text == header_) {
        const bool descending = order_ == Qt::DescendingOrder;
        order_ = descending ? Qt::AscendingOrder : Qt::DescendingOrder;
        header->setText(column, marked(descending ? QLatin1Char('+') : QLatin1Char('-')));
    } else {
        header_ = text;
        order_ = Qt::AscendingOrder;
        header->setText(column, marked(QLatin1Char('+')));
    }
    list->sortItems(column, order_);
}

void HeaderSort::Apply(QTreeWidget* list) const {
    list->sortItems(column_, order_);
}

void HeaderSort::Reset() {
    header_.clear();
    column_ = 0;
    order_ = Qt::AscendingOrder;
}

}  // namespace murmel
