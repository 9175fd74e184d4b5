#include "addressbook/sqlite_book.h"

#include <map>
#include <vector>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include "addressbook/vcard_reader.h"
#include "base/regular_file.h"

namespace murmel {

namespace {

struct Card {
    QString displayName;
    QString firstName;
    QString lastName;
    QStringList addresses;
    QString vCard;

    QString Name() const {
        if (!displayName.isEmpty()) {
            return displayName;
        }
        return (firstName + QLatin1Char(' ') + lastName).trimmed();
    }
};

BookRows RowsOf(QSqlDatabase& db) {
    BookRows rows;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT card, name, value FROM properties ORDER BY rowid"))) {
        return rows;
    }
    std::vector<QString> order;
    std::map<QString, Card> cards;
    while (query.next()) {
        const QString id = query.value(0).toString();
        const QString name = query.value(1).toString();
        const QString value = query.value(2).toString().trimmed();
        auto [it, added] = cards.try_emplace(id);
        if (added) {
            order.push_back(id);
        }
        Card& card = it->second;
        if (name == QLatin1String("DisplayName")) {
            card.displayName = value;
        } else if (name == QLatin1String("FirstName")) {
            card.firstName = value;
        } else if (name == QLatin1String("LastName")) {
            card.lastName = value;
        } else if ((name == QLatin1String("PrimaryEmail") ||
                    name == QLatin1String("SecondEmail")) &&
                   !value.isEmpty()) {
            card.addresses.append(value);
        } else if (name == QLatin1String("_vCard")) {
            card.vCard = value;
        }
    }
    for (const QString& id : order) {
        const Card& card = cards[id];
        QStringList addresses = card.addresses;
        // Newer books keep the addresses only inside the card's vCard.
        if (addresses.isEmpty() && !card.vCard.isEmpty()) {
            const QByteArray bytes = card.vCard.toUtf8();
            for (const BookRow& row : ReadVCards(
                     std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
                addresses.append(row.address);
            }
        }
        for (const QString& address : addresses) {
            rows.push_back({card.Name(), address, {}});
        }
    }
    return rows;
}

}  // namespace

BookRows ReadSqliteBook(const QString& path) {
    BookRows rows;
    if (!vantry::OpenRegularFile(QFile::encodeName(path).toStdString()).valid()) {
        return rows;
    }
    const QString connection = QStringLiteral("murmel-book-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        if (db.isValid()) {
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
            db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                               QStringLiteral("?immutable=1"));
            if (db.open()) {
                rows = RowsOf(db);
                db.close();
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return rows;
}

}  // namespace murmel
