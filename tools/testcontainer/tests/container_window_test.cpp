// The container window driven as a person would, with the probe control
// registered in a fresh registry: creation by ProgID, the property list and
// its edits, method calls, the event log, and the registry listing.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "automation/dispatch.h"
#include "registry/registry.h"
#include "test_env.h"
#include "testcontainer/container_window.h"
#include "testcontainer/progids.h"
#include "testcontainer/property_model.h"
#include "testcontainer/tests/qstring_print.h"

namespace testcontainer {
namespace {

using namespace vantry::automation;
using vantry::registry::Hive;

constexpr char kProbe[] = "VantryProbe.Probe.1";

int32_t RegisterProbe() {
    void* handle = dlopen(PROBE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return -1;
    }
    auto fn = reinterpret_cast<int32_t (*)()>(dlsym(handle, "DllRegisterServer"));
    return fn != nullptr ? fn() : -1;
}

class Container : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VANTRY_REGISTRY", vantry::test::FreshDir("registry").c_str(), 1);
        ASSERT_EQ(RegisterProbe(), kS_OK);
        window_ = std::make_unique<ContainerWindow>();
        window_->show();
    }

    template <class W>
    W* Child(const char* name) {
        W* w = window_->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    PropertyModel& Model() { return *window_->Properties(); }
    QModelIndex ValueOf(const char* name) {
        const DispId id = IdOfName(Dispatch(), name);
        return Model().index(Model().RowOf(id), PropertyModel::kValueColumn);
    }
    IDispatchable& Dispatch() { return *QueryInterface<IDispatchable>(window_->Control()); }
    bool Logged(const QString& line) { return window_->LogLines().contains(line); }
    // Picks a member in the methods box, fills its arguments and presses Call.
    void Call(const QString& label, const QStringList& args) {
        auto* box = Child<QComboBox>("cmbMember");
        const int at = box->findText(label);
        ASSERT_GE(at, 0) << label.toStdString();
        box->setCurrentIndex(at);
        for (int i = 0; i < args.size(); ++i) {
            auto* edit = window_->findChild<QLineEdit*>(QStringLiteral("txtArgument%1").arg(i));
            ASSERT_NE(edit, nullptr) << "argument " << i << " of " << label.toStdString();
            edit->setText(args[i]);
        }
        ASSERT_EQ(window_->findChild<QLineEdit*>(QStringLiteral("txtArgument%1").arg(args.size())),
                  nullptr)
            << "more arguments expected";
        Child<QPushButton>("cmdCall")->click();
    }
    std::string Log() { return window_->LogLines().join(QLatin1Char('\n')).toStdString(); }

    std::unique_ptr<ContainerWindow> window_;
};

TEST_F(Container, ListsRegisteredProgIdsAndCreatesFromTheTextField) {
    auto* list = Child<QComboBox>("cmbProgId");
    EXPECT_GE(list->findText(kProbe), 0);
    EXPECT_GE(list->findText(QStringLiteral("VantryProbe.Probe")), 0) << "version-independent too";
    EXPECT_EQ(list->findText(QStringLiteral("CLSID")), -1);

    Child<QLineEdit>("txtProgId")->setText(QStringLiteral(" VantryProbe.Probe "));
    Child<QPushButton>("cmdCreate")->click();
    ASSERT_NE(window_->Control(), nullptr) << Log();
    EXPECT_TRUE(Logged(QStringLiteral("Created VantryProbe.Probe")));
    EXPECT_EQ(window_->Host()->Control(), window_->Control()) << "hosted as the site's control";
    EXPECT_EQ(window_->Host()->size(), QSize(96, 48)) << "sized from the control's extent";
}

TEST_F(Container, UnknownProgIdIsLoggedAsError429) {
    ASSERT_TRUE(window_->OpenControl(kProbe));
    EXPECT_FALSE(window_->OpenControl(QStringLiteral("No.Such.Control")));
    EXPECT_EQ(window_->Control(), nullptr);
    EXPECT_EQ(Model().rowCount(), 0) << "nothing left of the previous control";
    EXPECT_EQ(Child<QComboBox>("cmbMember")->count(), 0);
    ASSERT_FALSE(window_->LogLines().isEmpty());
    EXPECT_TRUE(window_->LogLines().last().startsWith(QStringLiteral("Error 429: "))) << Log();
    EXPECT_FALSE(window_->OpenControl(QString()));
}

TEST_F(Container, PropertyListIsFilledFromTheControl) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    // Every property without index arguments, each read through dispatch.
    QStringList names;
    for (int row = 0; row < Model().rowCount(); ++row) {
        names << Model().index(row, PropertyModel::kNameColumn).data().toString();
    }
    EXPECT_EQ(names, (QStringList{"Caption", "Color", "Count", "Secret", "Serial", "UserMode"}));
    EXPECT_EQ(ValueOf("Serial").data().toString(), QStringLiteral("4711"));
    EXPECT_EQ(ValueOf("Color").data().toString(), QStringLiteral("&H00C0C0C0&"));
    EXPECT_EQ(ValueOf("UserMode").data().toString(), QStringLiteral("True"));
    EXPECT_EQ(ValueOf("Secret").data().toString(), QStringLiteral("(write-only)"));
    EXPECT_EQ(Model().index(ValueOf("Count").row(), PropertyModel::kIdColumn).data().toInt(), 1);
    EXPECT_EQ(Model().index(ValueOf("Serial").row(), PropertyModel::kTypeColumn).data().toString(),
              QStringLiteral("Long, read-only"));
    EXPECT_TRUE(Model().flags(ValueOf("Count")) & Qt::ItemIsEditable);
    EXPECT_TRUE(Model().flags(ValueOf("Secret")) & Qt::ItemIsEditable);
    EXPECT_FALSE(Model().flags(ValueOf("Serial")) & Qt::ItemIsEditable);
    EXPECT_FALSE(Model().flags(ValueOf("UserMode")) & Qt::ItemIsEditable);

    // The ambient user mode reaches the control and the list shows it.
    Child<QCheckBox>("chkUserMode")->setChecked(false);
    EXPECT_EQ(ValueOf("UserMode").data().toString(), QStringLiteral("False"));
}

TEST_F(Container, AnEditReachesTheControl) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    EXPECT_TRUE(Model().setData(ValueOf("Count"), QStringLiteral("7"), Qt::EditRole));
    EXPECT_EQ(GetProperty(Dispatch(), "Count"), Variant(int16_t{7}));
    EXPECT_EQ(ValueOf("Count").data().toString(), QStringLiteral("7"));
    EXPECT_TRUE(Logged(QStringLiteral("Count = 7"))) << Log();
    EXPECT_TRUE(Logged(QStringLiteral("Changed: Count"))) << "the control's change notice";

    EXPECT_TRUE(Model().setData(ValueOf("Color"), QStringLiteral("&H000000FF&"), Qt::EditRole));
    EXPECT_EQ(GetProperty(Dispatch(), "Color"), Variant(OleColor{0xFF}));
    EXPECT_TRUE(Model().setData(ValueOf("Caption"), QStringLiteral("a, b"), Qt::EditRole));
    EXPECT_EQ(GetProperty(Dispatch(), "Caption"), Variant(u"a, b"));
    EXPECT_TRUE(Logged(QStringLiteral("Edit request: Caption allowed")));
}

TEST_F(Container, FailedEditsAreLoggedAndChangeNothing) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    EXPECT_FALSE(Model().setData(ValueOf("Count"), QStringLiteral("many"), Qt::EditRole));
    EXPECT_EQ(GetProperty(Dispatch(), "Count"), Variant(int16_t{0}));
    EXPECT_TRUE(window_->LogLines().last().startsWith(QStringLiteral("Error 13: Type mismatch")))
        << Log();

    EXPECT_FALSE(Model().setData(ValueOf("Count"), QStringLiteral("40000"), Qt::EditRole));
    EXPECT_TRUE(window_->LogLines().last().startsWith(QStringLiteral("Error 6: "))) << Log();

    // The container refuses the request-edit notice; the control reports it.
    Child<QCheckBox>("chkRefuseEdits")->setChecked(true);
    EXPECT_FALSE(Model().setData(ValueOf("Caption"), QStringLiteral("new"), Qt::EditRole));
    EXPECT_EQ(GetProperty(Dispatch(), "Caption"), Variant(u""));
    EXPECT_TRUE(Logged(QStringLiteral("Edit request: Caption refused"))) << Log();
    EXPECT_TRUE(window_->LogLines().last().startsWith(
        QStringLiteral("Error 380: Edit refused by the container.")))
        << Log();
    EXPECT_EQ(ValueOf("Caption").data().toString(), QString())
        << "the list shows the control's value";
}

TEST_F(Container, MethodsAreCalledWithTypedArguments) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    Call(QStringLiteral("Add(Integer, Integer) As Long"), {"2", "-5"});
    EXPECT_EQ(window_->LogLines().last(), QStringLiteral("Add(2, -5) = -3"));

    Call(QStringLiteral("Add(Integer, Integer) As Long"), {"2", "x"});
    EXPECT_EQ(window_->LogLines().last(),
              QStringLiteral("Error 13: Type mismatch  [argument 2 of Add]"))
        << Log();

    Call(QStringLiteral("Fail(Long)"), {"20152"});
    EXPECT_EQ(window_->LogLines().last(),
              QStringLiteral("Error 20152: Probe failure 20152.  [Fail(20152)]"));

    // A property with an index argument is offered as Get and Let.
    Call(QStringLiteral("Let Item(Integer) = Long"), {"2", "99"});
    EXPECT_EQ(window_->LogLines().last(), QStringLiteral("Item(2) = 99"));
    EXPECT_EQ(GetProperty(Dispatch(), "Item", {Variant(int16_t{2})}), Variant(int32_t{99}));
    Call(QStringLiteral("Get Item(Integer) As Long"), {"2"});
    EXPECT_EQ(window_->LogLines().last(), QStringLiteral("Item(2) = 99"));
    Call(QStringLiteral("Let Item(Integer) = Long"), {"9", "1"});
    EXPECT_TRUE(window_->LogLines().last().startsWith(QStringLiteral("Error 5: "))) << Log();

    Call(QStringLiteral("AboutBox()"), {});
    EXPECT_EQ(window_->LogLines().last(), QStringLiteral("AboutBox()"));
}

TEST_F(Container, EventsAreLoggedWithTheirArguments) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    Call(QStringLiteral("Ping(String) As String"), {"hello"});
    const QStringList lines = window_->LogLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[lines.size() - 2],
              QStringLiteral(
                  "Event Changed(ByRef Code As Integer = 0, ByRef Text As String = \"hello\")"));
    EXPECT_EQ(lines.last(), QStringLiteral("Ping(\"hello\") = \"hello/0\""))
        << "the container leaves by-reference arguments as they came";
}

TEST_F(Container, RepeatedEventsShareOneLine) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    auto& disp = Dispatch();
    for (int i = 0; i < 3; ++i) {
        CallMethod(disp, "Ping", {Variant(u"same")});
    }
    const QString event =
        QStringLiteral("Event Changed(ByRef Code As Integer = 0, ByRef Text As String = \"same\")");
    EXPECT_EQ(window_->LogLines().last(), event + QStringLiteral(" (3 times)")) << Log();
    EXPECT_EQ(window_->LogLines().count(event + QStringLiteral(" (3 times)")), 1);
    CallMethod(disp, "Ping", {Variant(u"other")});
    CallMethod(disp, "Ping", {Variant(u"same")});
    EXPECT_EQ(window_->LogLines().last(), event) << "a different event in between starts anew";
    // Any other line in between also ends the count.
    window_->Log(QStringLiteral("note"));
    CallMethod(disp, "Ping", {Variant(u"same")});
    EXPECT_EQ(window_->LogLines().last(), event);
    EXPECT_EQ(window_->LogLines().size(), 6) << Log();
}

TEST_F(Container, AReplacedControlIsNoLongerListenedTo) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    const ObjectPtr first = window_->Control();
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    ASSERT_NE(window_->Control(), first);
    auto control = QueryInterface<IControl>(first);
    EXPECT_EQ(control->ClientSite(), nullptr) << "its site was taken away";
    const int before = window_->LogLines().size();
    CallMethod(*QueryInterface<IDispatchable>(first), "Ping", {Variant(u"late")});
    EXPECT_EQ(window_->LogLines().size(), before) << Log();

    // The window may go while someone else still holds the control.
    window_.reset();
    CallMethod(*QueryInterface<IDispatchable>(first), "Ping", {Variant(u"later")});
}

TEST_F(Container, TheControlIsNotReplacedWhileACallIntoItRuns) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    const ObjectPtr first = window_->Control();
    // A person acting while a write is still running (a request pumps
    // events): here the control's change notice stands in for that moment.
    int refused = 0;
    QObject::connect(window_->Host(), &ControlHost::propertyChanged, window_.get(), [&] {
        refused += window_->OpenControl(kProbe) ? 0 : 1;
        refused += window_->SaveAndReload() ? 0 : 1;
    });
    EXPECT_TRUE(Model().setData(ValueOf("Count"), QStringLiteral("3"), Qt::EditRole));
    EXPECT_EQ(refused, 2);
    EXPECT_EQ(window_->Control(), first);
    EXPECT_TRUE(Logged(
        QStringLiteral("A call into the control is still running; try again when it is over.")));
    EXPECT_EQ(GetProperty(Dispatch(), "Count"), Variant(int16_t{3}));
    QObject::disconnect(window_->Host(), &ControlHost::propertyChanged, window_.get(), nullptr);

    // The same during a method call: the event it fires reaches the log
    // while the call runs.
    bool tried = false;
    QObject::connect(Child<QPlainTextEdit>("txtLog"), &QPlainTextEdit::textChanged, window_.get(),
                     [&] {
                         if (!tried) {
                             tried = true;
                             refused += window_->OpenControl(kProbe) ? 0 : 1;
                         }
                     });
    Call(QStringLiteral("Ping(String) As String"), {"x"});
    EXPECT_TRUE(tried);
    EXPECT_EQ(refused, 3);
    EXPECT_EQ(window_->Control(), first);
    EXPECT_EQ(window_->LogLines().last(), QStringLiteral("Ping(\"x\") = \"x/0\""));
    // Afterwards replacing works again.
    EXPECT_TRUE(window_->OpenControl(kProbe));
    EXPECT_NE(window_->Control(), first);
}

TEST_F(Container, SaveAndReloadCarriesThePersistedValues) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    PutProperty(Dispatch(), "Count", Variant(int16_t{9}));
    PutProperty(Dispatch(), "Caption", Variant(u"kept"));
    PutProperty(Dispatch(), "Item", Variant(int32_t{5}), {Variant(int16_t{1})});
    const ObjectPtr before = window_->Control();
    ASSERT_TRUE(window_->SaveAndReload()) << Log();
    ASSERT_NE(window_->Control(), before);
    // Version 0x100, the extent 2540 x 1270, then Count as a tagged Integer.
    EXPECT_TRUE(
        Logged(QStringLiteral("Stream: 00 01 00 00 EC 09 00 00 F6 04 00 00 02 00 09 00 "
                              "08 00 0A 00 00 00 6B 00 65 00 70 00 74 00 00 00 "
                              "13 00 C0 C0 C0 00")))
        << Log();
    EXPECT_EQ(GetProperty(Dispatch(), "Count"), Variant(int16_t{9}));
    EXPECT_EQ(ValueOf("Caption").data().toString(), QStringLiteral("kept"));
    EXPECT_EQ(GetProperty(Dispatch(), "Item", {Variant(int16_t{1})}), Variant(int32_t{0}))
        << "not persisted";
    // The new instance's events are logged.
    CallMethod(Dispatch(), "Ping", {Variant(u"x")});
    EXPECT_TRUE(window_->LogLines().last().startsWith(QStringLiteral("Event Changed("))) << Log();
}

TEST_F(Container, SizeChangesReachTheControlBothWays) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    auto control = QueryInterface<IControl>(window_->Control());
    auto* width = Child<QSpinBox>("spnWidth");
    auto* height = Child<QSpinBox>("spnHeight");
    EXPECT_EQ(width->value(), 96);
    EXPECT_EQ(height->value(), 48);
    width->setValue(200);
    height->setValue(30);
    EXPECT_EQ(window_->Host()->size(), QSize(200, 30));
    EXPECT_EQ(control->Extent(), PixelsToHimetric(Size{200, 30}));
    // The control asks for a new rectangle: it is sized, not moved.
    const QPoint place = window_->Host()->pos();
    control->ClientSite()->OnPosRectChange(vantry::automation::Rect{500, 500, 580, 540});
    EXPECT_EQ(window_->Host()->pos(), place);
    EXPECT_EQ(width->value(), 80);
    EXPECT_EQ(height->value(), 40);
    EXPECT_EQ(control->Extent(), PixelsToHimetric(Size{80, 40}));
    auto* stage = Child<Checkerboard>("stage");
    EXPECT_GE(stage->minimumWidth(), place.x() + 80) << "the whole control stays reachable";
}

TEST_F(Container, PickingFromTheListCreatesTheControl) {
    auto* list = Child<QComboBox>("cmbProgId");
    const int at = list->findText(kProbe);
    ASSERT_GE(at, 0);
    list->setCurrentIndex(at);
    emit list->textActivated(list->itemText(at));
    ASSERT_NE(window_->Control(), nullptr) << Log();
    EXPECT_EQ(Child<QLineEdit>("txtProgId")->text(), QString::fromLatin1(kProbe));
}

TEST_F(Container, BagRoundTripCarriesThePersistedValues) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    PutProperty(Dispatch(), "Count", Variant(int16_t{-2}));
    PutProperty(Dispatch(), "Color", Variant(OleColor{0x80000005}));
    const ObjectPtr before = window_->Control();
    Child<QPushButton>("cmdBagReload")->click();
    ASSERT_NE(window_->Control(), before) << Log();
    EXPECT_TRUE(Logged(QStringLiteral("Bag: Count=-2, Caption=\"\", Color=&H80000005&"))) << Log();
    EXPECT_EQ(GetProperty(Dispatch(), "Count"), Variant(int16_t{-2}));
    EXPECT_EQ(GetProperty(Dispatch(), "Color"), Variant(OleColor{0x80000005}));
}

TEST_F(Container, AFailedReloadKeepsTheControl) {
    ASSERT_TRUE(window_->OpenControl(kProbe)) << Log();
    const ObjectPtr before = window_->Control();
    // The class disappears from the registry after the control was made.
    vantry::registry::Store().DeleteKey(Hive::ClassesRoot, kProbe);
    EXPECT_FALSE(window_->SaveAndReload());
    EXPECT_EQ(window_->Control(), before);
    EXPECT_TRUE(window_->LogLines().last().startsWith(QStringLiteral("Error 429: "))) << Log();
    EXPECT_EQ(Model().rowCount(), 6) << "its property list stays";
}

TEST_F(Container, TheStageIsACheckerboard) {
    window_->resize(800, 600);
    auto* stage = Child<Checkerboard>("stage");
    const QImage image = stage->grab(QRect(0, 0, 32, 32)).toImage();
    const int s = Checkerboard::kSquare;
    EXPECT_NE(image.pixel(1, 1), image.pixel(s + 1, 1));
    EXPECT_EQ(image.pixel(1, 1), image.pixel(s + 1, s + 1));
    EXPECT_EQ(image.pixel(s + 1, 1), image.pixel(1, s + 1));
}

TEST(RegisteredProgIds, TakesClassKeysOnlySortedIgnoringCase) {
    vantry::registry::Store store(vantry::test::FreshDir("hive"));
    for (const char* key : {"zeta.Thing\\CLSID", "Alpha.Thing\\CurVer", "beta.thing.1\\CLSID",
                            "CLSID\\{00000000-0000-0000-0000-000000000001}", "TypeLib\\CLSID",
                            "Interface\\CLSID", ".gif", "Plain\\Shell"}) {
        ASSERT_EQ(store.CreateKey(Hive::ClassesRoot, key), vantry::registry::kSuccess);
    }
    EXPECT_EQ(RegisteredProgIds(store), (QStringList{"Alpha.Thing", "beta.thing.1", "zeta.Thing"}));
    EXPECT_TRUE(
        RegisteredProgIds(vantry::registry::Store(vantry::test::FreshDir("empty"))).isEmpty());
}

}  // namespace
}  // namespace testcontainer
