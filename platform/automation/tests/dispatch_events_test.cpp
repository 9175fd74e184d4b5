#include <gtest/gtest.h>

#include <memory>

#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/tests/error_number.h"

namespace vantry::automation {
namespace {

enum class Mode { Off = 0, On = 1, Auto = 2 };

// A small control with one member of every shape a table supports.
class Gadget : public TableDispatch<Gadget> {
public:
    int16_t Level() const { return level_; }
    void SetLevel(int16_t v) { level_ = v; }
    std::u16string Name() const { return name_; }
    void SetName(const std::u16string& v) { name_ = v; }
    int32_t Total() const { return 99; }
    int16_t Cell(int16_t index) const { return index >= 0 && index < 3 ? cells_[index] : 0; }
    void SetCell(int16_t index, int16_t v) {
        if (index >= 0 && index < 3) {
            cells_[index] = v;
        }
    }
    Mode GetMode() const { return mode_; }
    void SetMode(Mode m) { mode_ = m; }
    void SetPin(const std::string& pin) { pin_ = pin; }
    int32_t Sum(int16_t a, int32_t b) { return a + b; }
    void Reset() { level_ = 0; }
    bool Check(bool flag) { return !flag; }
    void Raise() { throw AutomationError(20302, "Interrupted."); }
    OleColor Tint() const { return OleColor{0x00FF00}; }
    void Crash(int16_t how) {
        if (how == 0) {
            throw std::bad_alloc();
        }
        if (how == 1) {
            throw std::runtime_error("vector index");
        }
        throw 42;
    }

    static const DispatchTable<Gadget>& Table() {
        static const auto table =
            DispatchTable<Gadget>()
                .Property("Level", 1, &Gadget::Level, &Gadget::SetLevel)
                .Flags(kBindable | kRequestEdit)
                .Property("Name", 2, &Gadget::Name, &Gadget::SetName)
                .Property("Total", 3, &Gadget::Total)
                .Describe("Sum of everything")
                .Property("Cell", 4, &Gadget::Cell, &Gadget::SetCell)
                .Property("Mode", 5, &Gadget::GetMode, &Gadget::SetMode)
                .WriteOnly("Pin", 6, &Gadget::SetPin)
                .Method("Sum", 7, &Gadget::Sum)
                .Method("Reset", 8, &Gadget::Reset)
                .Method("Check", 9, &Gadget::Check)
                .Method("Raise", 10, &Gadget::Raise)
                .Property("Tint", dispid::kBackColor, &Gadget::Tint)
                .Flags(kHidden)
                .Method("Crash", 12, &Gadget::Crash)
                .RawMethod(MemberInfo{.name = "Count", .id = 11},
                           [](Gadget&, std::vector<Variant>& args) {
                               return Variant(static_cast<int32_t>(args.size()));
                           });
        return table;
    }

    int16_t level_ = 3;
    std::u16string name_ = u"gadget";
    int16_t cells_[3] = {};
    Mode mode_ = Mode::Off;
    std::string pin_;
};

TEST(DispatchTable, PropertiesReadAndWriteThroughTypedMembers) {
    Gadget g;
    EXPECT_EQ(GetProperty(g, 1), Variant(int16_t{3}));
    PutProperty(g, 1, Variant(int32_t{12}));  // Long where Integer is expected, fits
    EXPECT_EQ(g.level_, 12);
    PutProperty(g, "name", Variant(u"renamed"));
    EXPECT_EQ(g.name_, u"renamed");
    PutProperty(g, 4, Variant(int16_t{8}), {Variant(int16_t{2})});
    EXPECT_EQ(g.cells_[2], 8);
    EXPECT_EQ(GetProperty(g, 4, {Variant(u"2")}), Variant(int16_t{8}));
    PutProperty(g, 5, Variant(int32_t{2}));
    EXPECT_EQ(g.mode_, Mode::Auto);
    EXPECT_EQ(GetProperty(g, "MODE"), Variant(int32_t{2}));
    PutProperty(g, 6, Variant(u"1234"));
    EXPECT_EQ(g.pin_, "1234");
    EXPECT_EQ(GetProperty(g, dispid::kBackColor), Variant(OleColor{0x00FF00}));
}

TEST(DispatchTable, MethodsTakeArgumentsInNaturalOrder) {
    Gadget g;
    EXPECT_EQ(CallMethod(g, 7, {Variant(int16_t{2}), Variant(int32_t{40})}), Variant(int32_t{42}));
    EXPECT_TRUE(CallMethod(g, 8).IsEmpty());
    EXPECT_EQ(g.level_, 0);
    EXPECT_EQ(CallMethod(g, "check", {Variant(int16_t{0})}), Variant(true));
    EXPECT_EQ(CallMethod(g, 11, {Variant(), Variant(), Variant()}), Variant(int32_t{3}));
}

TEST(DispatchTable, HostsMayMixGetAndMethodFlags) {
    Gadget g;
    // "x = obj.Name" arrives as a method call on a property, and the reverse.
    EXPECT_EQ(CallMethod(g, 2), Variant(u"gadget"));
    std::vector<Variant> none;
    g.Invoke(8, InvokeKind::PropertyGet, none);
    EXPECT_EQ(g.level_, 0);
}

TEST(DispatchTable, FailuresCarryTheHostsErrorNumbers) {
    Gadget g;
    EXPECT_EQ(ErrorNumberOf([&] { GetProperty(g, 99); }), errors::kMemberNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { GetProperty(g, "NoSuchMember"); }), errors::kMemberNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { PutProperty(g, 8, Variant(int16_t{1})); }),
              errors::kMemberNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { PutProperty(g, 3, Variant(int32_t{1})); }),
              errors::kSetNotSupported);
    EXPECT_EQ(ErrorNumberOf([&] { GetProperty(g, 6); }), errors::kGetNotSupported);
    EXPECT_EQ(ErrorNumberOf([&] { CallMethod(g, 7, {Variant(int16_t{1})}); }),
              errors::kWrongArgumentCount);
    EXPECT_EQ(ErrorNumberOf([&] { GetProperty(g, 1, {Variant(int16_t{0})}); }),
              errors::kWrongArgumentCount);
    EXPECT_EQ(ErrorNumberOf([&] { GetProperty(g, 4); }), errors::kWrongArgumentCount);
    EXPECT_EQ(ErrorNumberOf([&] { PutProperty(g, 1, Variant(u"many")); }), errors::kTypeMismatch);
    EXPECT_EQ(ErrorNumberOf([&] { PutProperty(g, 1, Variant(int32_t{70000})); }),
              errors::kOverflow);
    EXPECT_EQ(g.level_, 3) << "a failed write must not change the value";
    EXPECT_EQ(ErrorNumberOf([&] { CallMethod(g, 10); }), 20302);
}

TEST(DispatchTable, OtherExceptionsBecomeAutomationErrors) {
    Gadget g;
    EXPECT_EQ(ErrorNumberOf([&] { CallMethod(g, 12, {Variant(int16_t{0})}); }),
              errors::kOutOfMemory);
    try {
        CallMethod(g, 12, {Variant(int16_t{1})});
        ADD_FAILURE();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.Number(), errors::kInternalError);
        EXPECT_EQ(e.Description(), "Internal error: vector index");
    }
    EXPECT_EQ(ErrorNumberOf([&] { CallMethod(g, 12, {Variant(int16_t{2})}); }),
              errors::kInternalError);
}

TEST(DispatchTable, NamesAndMemberDescriptions) {
    Gadget g;
    EXPECT_EQ(g.GetIdOfName("level"), 1);
    EXPECT_EQ(g.GetIdOfName("LEVEL"), 1);
    EXPECT_EQ(g.GetIdOfName("Leve"), std::nullopt);
    EXPECT_EQ(g.GetIdOfName(""), std::nullopt);
    EXPECT_TRUE(NameEquals("AboutBox", "aboutbox"));
    EXPECT_FALSE(NameEquals("About", "AboutBox"));

    const auto members = g.Members();
    ASSERT_EQ(members.size(), 13u);
    const MemberInfo& level = members[0];
    EXPECT_EQ(level.name, "Level");
    EXPECT_FALSE(level.isMethod);
    EXPECT_TRUE(level.readable && level.writable);
    EXPECT_EQ(level.type, VariantType::Int16);
    EXPECT_EQ(level.flags, uint32_t{kBindable | kRequestEdit});
    const MemberInfo& total = members[2];
    EXPECT_TRUE(total.readable);
    EXPECT_FALSE(total.writable);
    EXPECT_EQ(total.description, "Sum of everything");
    EXPECT_EQ(level.description, "");
    const MemberInfo& cell = members[3];
    EXPECT_EQ(cell.argTypes, std::vector<VariantType>{VariantType::Int16});
    const MemberInfo& pin = members[5];
    EXPECT_FALSE(pin.readable);
    EXPECT_TRUE(pin.writable);
    EXPECT_EQ(pin.type, VariantType::String);
    const MemberInfo& sum = members[6];
    EXPECT_TRUE(sum.isMethod);
    EXPECT_EQ(sum.type, VariantType::Int32);
    EXPECT_EQ((std::vector<VariantType>{VariantType::Int16, VariantType::Int32}), sum.argTypes);
    EXPECT_EQ(members[10].flags, uint32_t{kHidden});
    EXPECT_EQ(members[10].type, VariantType::Color);
}

// A sink that records events and can be told what to do inside them.
class RecordingSink : public IEventSink {
public:
    void Fire(DispId id, const std::vector<Variant*>& args) override {
        seen.push_back(id);
        if (onFire) {
            onFire(args);
        }
    }
    std::vector<DispId> seen;
    std::function<void(const std::vector<Variant*>&)> onFire;
};

TEST(EventSource, ByReferenceArgumentsComeBackChanged) {
    EventSource source;
    auto first = std::make_shared<RecordingSink>();
    auto second = std::make_shared<RecordingSink>();
    first->onFire = [](const std::vector<Variant*>& args) {
        ASSERT_EQ(args.size(), 2u);
        *args[0] = Variant(int16_t{7});
    };
    second->onFire = [](const std::vector<Variant*>& args) {
        // Sees what the earlier sink wrote.
        *args[1] = Variant(args[1]->ToString() + u"+" + args[0]->ToString());
    };
    EXPECT_GT(source.Advise(first), 0u);
    EXPECT_GT(source.Advise(second), 0u);
    Variant code = int16_t{0};
    Variant text = u"OK";
    source.Fire(2, code, text);
    EXPECT_EQ(code, Variant(int16_t{7}));
    EXPECT_EQ(text, Variant(u"OK+7"));
    EXPECT_EQ(first->seen, std::vector<DispId>{2});
}

TEST(EventSource, CookiesAndDetaching) {
    EventSource source;
    EXPECT_EQ(source.Advise(nullptr), 0u);
    auto sink = std::make_shared<RecordingSink>();
    const uint32_t a = source.Advise(sink);
    const uint32_t b = source.Advise(sink);
    EXPECT_NE(a, b);
    EXPECT_EQ(source.SinkCount(), 2u);
    EXPECT_TRUE(source.Unadvise(a));
    EXPECT_FALSE(source.Unadvise(a));
    EXPECT_FALSE(source.Unadvise(12345));
    source.Fire(5, std::vector<Variant*>{});
    EXPECT_EQ(sink->seen.size(), 1u);
}

TEST(EventSource, SinksMayDetachAndThrowWhileFiring) {
    EventSource source;
    auto quitter = std::make_shared<RecordingSink>();
    auto thrower = std::make_shared<RecordingSink>();
    auto later = std::make_shared<RecordingSink>();
    uint32_t quitterCookie = source.Advise(quitter);
    source.Advise(thrower);
    uint32_t laterCookie = source.Advise(later);
    // The first sink detaches itself and the last one; the second throws.
    quitter->onFire = [&](const std::vector<Variant*>&) {
        source.Unadvise(quitterCookie);
        source.Unadvise(laterCookie);
        quitter.reset();  // the source's snapshot keeps the sink alive
    };
    thrower->onFire = [](const std::vector<Variant*>&) { throw std::runtime_error("host bug"); };
    source.Fire(1, std::vector<Variant*>{});
    EXPECT_EQ(thrower->seen.size(), 1u);
    EXPECT_TRUE(later->seen.empty()) << "a sink detached during firing is not called";
    EXPECT_EQ(source.SinkCount(), 1u);
    source.Fire(1, std::vector<Variant*>{});
    EXPECT_EQ(thrower->seen.size(), 2u);
}

TEST(EventSource, ASinkMayDestroyTheFiringControl) {
    auto source = std::make_unique<EventSource>();
    auto killer = std::make_shared<RecordingSink>();
    auto after = std::make_shared<RecordingSink>();
    killer->onFire = [&](const std::vector<Variant*>&) { source.reset(); };
    source->Advise(killer);
    source->Advise(after);
    source->Fire(1, std::vector<Variant*>{});
    EXPECT_EQ(source, nullptr);
    EXPECT_TRUE(after->seen.empty());
}

}  // namespace
}  // namespace vantry::automation
