// The property list over an in-process control that offers browsing help:
// display texts, drop-down values, page-edited properties, descriptions and
// properties that cannot be read.

#include <gtest/gtest.h>

#include "automation/control.h"
#include "automation/dispatch.h"
#include "testcontainer/property_model.h"
#include "testcontainer/tests/qstring_print.h"

namespace testcontainer {
namespace {

using namespace vantry::automation;

class Gadget : public TableDispatch<Gadget>, public IPropertyBrowsing {
public:
    int16_t Mode() const { return mode_; }
    void SetMode(int16_t v) { mode_ = v; }
    std::u16string Data() const { return data_; }
    void SetData(const std::u16string& v) { data_ = v; }
    int32_t Locked() const {
        throw AutomationError(errors::kGetNotSupported, "Not at design time.");
    }
    void SetLocked(int32_t) {}
    int16_t Size(int16_t) const { return 1; }

    static const DispatchTable<Gadget>& Table() {
        static const auto table = DispatchTable<Gadget>()
                                      .Property("Mode", 1, &Gadget::Mode, &Gadget::SetMode)
                                      .Describe("How it works.")
                                      .Property("Data", 2, &Gadget::Data, &Gadget::SetData)
                                      .Property("Locked", 3, &Gadget::Locked, &Gadget::SetLocked)
                                      .Property("Size", 4, &Gadget::Size);
        return table;
    }

    std::optional<std::u16string> DisplayString(DispId id) override {
        if (id == 1 && mode_ >= 0 && mode_ <= 1) {
            return mode_ == 0 ? u"0 - Off" : u"1 - On";
        }
        if (id == 2) {
            return data_.empty() ? u"No Data" : u"Some Data";
        }
        return std::nullopt;
    }
    std::vector<std::pair<std::u16string, Variant>> PredefinedValues(DispId id) override {
        if (id == 1) {
            return {{u"0 - Off", Variant(int16_t{0})}, {u"1 - On", Variant(int16_t{1})}};
        }
        return {};
    }
    std::optional<Clsid> PropertyPage(DispId id) override {
        if (id == 2) {
            return MakeGuid("{6A1D3C29-5B7E-4F0A-9C11-2E8D7B4A6F01}");
        }
        return std::nullopt;
    }

    int16_t mode_ = 0;
    std::u16string data_;
};

class Model : public ::testing::Test {
protected:
    void SetUp() override {
        gadget_ = std::make_shared<Gadget>();
        model_.SetObject(gadget_);
        connect();
    }
    void connect() {
        QObject::connect(&model_, &PropertyModel::logLine,
                         [this](const QString& line) { log_ << line; });
    }
    QModelIndex Value(DispId id) {
        return model_.index(model_.RowOf(id), PropertyModel::kValueColumn);
    }

    std::shared_ptr<Gadget> gadget_;
    PropertyModel model_;
    QStringList log_;
};

TEST_F(Model, ShowsTheControlsOwnTextsAndOffersItsValues) {
    EXPECT_EQ(model_.rowCount(), 3) << "Size takes an index and is called, not listed";
    EXPECT_EQ(model_.RowOf(4), -1);
    EXPECT_EQ(Value(1).data().toString(), QStringLiteral("0 - Off"));
    EXPECT_EQ(Value(1).data(Qt::EditRole).toString(), QStringLiteral("0"));
    EXPECT_EQ(Value(1).data(PropertyModel::kChoicesRole).toStringList(),
              (QStringList{"0 - Off", "1 - On"}));
    EXPECT_EQ(Value(1).data(Qt::ToolTipRole).toString(), QStringLiteral("How it works."));
    EXPECT_EQ(Value(2).data().toString(), QStringLiteral("No Data"));
    EXPECT_FALSE(model_.flags(Value(2)) & Qt::ItemIsEditable) << "edited in its page";
    EXPECT_TRUE(model_.flags(Value(1)) & Qt::ItemIsEditable);
}

TEST_F(Model, AChosenTextWritesItsValueAndTypedNumbersStillWork) {
    EXPECT_TRUE(model_.setData(Value(1), QStringLiteral("1 - On"), Qt::EditRole));
    EXPECT_EQ(gadget_->mode_, 1);
    EXPECT_EQ(Value(1).data().toString(), QStringLiteral("1 - On"));
    EXPECT_EQ(log_.last(), QStringLiteral("Mode = 1"));
    // A value outside the list is typed in and shown as the plain number.
    EXPECT_TRUE(model_.setData(Value(1), QStringLiteral("3"), Qt::EditRole));
    EXPECT_EQ(gadget_->mode_, 3);
    EXPECT_EQ(Value(1).data().toString(), QStringLiteral("3"));
    // Only the value column is written.
    EXPECT_FALSE(model_.setData(model_.index(model_.RowOf(1), PropertyModel::kNameColumn),
                                QStringLiteral("2"), Qt::EditRole));
    EXPECT_EQ(gadget_->mode_, 3);
}

TEST_F(Model, AnUnreadablePropertyShowsItsErrorAndTheRestStillShow) {
    EXPECT_EQ(Value(3).data().toString(), QStringLiteral("Error 394: Not at design time."));
    EXPECT_EQ(Value(3).data(Qt::EditRole).toString(), QString());
    EXPECT_TRUE(Value(3).data(Qt::ForegroundRole).isValid());
    EXPECT_FALSE(Value(1).data(Qt::ForegroundRole).isValid());
    // It can still be written.
    EXPECT_TRUE(model_.setData(Value(3), QStringLiteral("5"), Qt::EditRole));
}

TEST_F(Model, RefreshShowsChangesMadeBehindItsBack) {
    gadget_->data_.assign(1, u'x');  // a literal here trips a GCC 12 -Wrestrict false alarm
    gadget_->mode_ = 1;
    model_.RefreshId(2);
    EXPECT_EQ(Value(2).data().toString(), QStringLiteral("Some Data"));
    EXPECT_EQ(Value(1).data().toString(), QStringLiteral("0 - Off")) << "only the one named";
    model_.RefreshId(99);  // not listed: nothing happens
    model_.Refresh();
    EXPECT_EQ(Value(1).data().toString(), QStringLiteral("1 - On"));

    model_.SetObject(nullptr);
    EXPECT_EQ(model_.rowCount(), 0);
    model_.Refresh();
    model_.SetObject(std::make_shared<Object>());  // no dispatch face
    EXPECT_EQ(model_.rowCount(), 0);
}

}  // namespace
}  // namespace testcontainer
