#include "container_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "automation/create_object.h"
#include "automation/persist.h"
#include "automation/property_page.h"
#include "progids.h"
#include "property_model.h"
#include "registry/registry.h"
#include "value_text.h"

namespace testcontainer {

using namespace vantry::automation;

namespace {

// Where the control sits on the checkerboard, and the log's length limit.
constexpr int kStageMargin = 16;
constexpr int kLogLines = 5000;
// How much of a saved stream the log shows.
constexpr int kShownStreamBytes = 256;

// Values with a fixed set of choices get a drop-down that still takes typing
// (a value outside the list, such as a user-defined sequence, is typed in).
class ValueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        const QStringList choices = index.data(PropertyModel::kChoicesRole).toStringList();
        if (choices.isEmpty()) {
            return QStyledItemDelegate::createEditor(parent, option, index);
        }
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->addItems(choices);
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            const QString current = index.data(Qt::DisplayRole).toString();
            const int at = box->findText(current);
            if (at >= 0) {
                box->setCurrentIndex(at);
            } else {
                box->setEditText(index.data(Qt::EditRole).toString());
            }
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, box->currentText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }
};

QString Qs(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

void Checkerboard::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    const QColor light(0xEE, 0xEE, 0xEE);
    const QColor dark(0xAA, 0xAA, 0xAA);
    for (int y = 0; y < height(); y += kSquare) {
        for (int x = 0; x < width(); x += kSquare) {
            p.fillRect(x, y, kSquare, kSquare, ((x / kSquare + y / kSquare) % 2) ? dark : light);
        }
    }
}

ContainerWindow::ContainerWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Test Container"));
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    // Which control.
    auto* top = new QHBoxLayout;
    cmbProgId_ = new QComboBox(central);
    cmbProgId_->setObjectName(QStringLiteral("cmbProgId"));
    cmbProgId_->setMinimumContentsLength(24);
    txtProgId_ = new QLineEdit(central);
    txtProgId_->setObjectName(QStringLiteral("txtProgId"));
    txtProgId_->setPlaceholderText(QStringLiteral("ProgID"));
    auto* cmdCreate = new QPushButton(QStringLiteral("&Create"), central);
    cmdCreate->setObjectName(QStringLiteral("cmdCreate"));
    auto* cmdList = new QPushButton(QStringLiteral("Re&list"), central);
    cmdList->setObjectName(QStringLiteral("cmdList"));
    top->addWidget(new QLabel(QStringLiteral("Registered:"), central));
    top->addWidget(cmbProgId_, 1);
    top->addWidget(cmdList);
    top->addWidget(new QLabel(QStringLiteral("ProgID:"), central));
    top->addWidget(txtProgId_, 1);
    top->addWidget(cmdCreate);
    outer->addLayout(top);

    // How it is hosted.
    auto* options = new QHBoxLayout;
    chkUserMode_ = new QCheckBox(QStringLiteral("&Run mode"), central);
    chkUserMode_->setObjectName(QStringLiteral("chkUserMode"));
    chkUserMode_->setChecked(true);
    chkRefuseEdits_ = new QCheckBox(QStringLiteral("Re&fuse edit requests"), central);
    chkRefuseEdits_->setObjectName(QStringLiteral("chkRefuseEdits"));
    spnWidth_ = new QSpinBox(central);
    spnWidth_->setObjectName(QStringLiteral("spnWidth"));
    spnHeight_ = new QSpinBox(central);
    spnHeight_->setObjectName(QStringLiteral("spnHeight"));
    for (QSpinBox* spin : {spnWidth_, spnHeight_}) {
        spin->setRange(0, 4000);
        spin->setKeyboardTracking(false);
    }
    cmdPages_ = new QPushButton(QStringLiteral("Property &Pages..."), central);
    cmdPages_->setObjectName(QStringLiteral("cmdPages"));
    cmdPages_->setEnabled(false);
    cmdReload_ = new QPushButton(QStringLiteral("&Stream Round Trip"), central);
    cmdReload_->setObjectName(QStringLiteral("cmdReload"));
    cmdReload_->setEnabled(false);
    cmdBagReload_ = new QPushButton(QStringLiteral("&Bag Round Trip"), central);
    cmdBagReload_->setObjectName(QStringLiteral("cmdBagReload"));
    cmdBagReload_->setEnabled(false);
    options->addWidget(chkUserMode_);
    options->addWidget(chkRefuseEdits_);
    options->addWidget(new QLabel(QStringLiteral("Width:"), central));
    options->addWidget(spnWidth_);
    options->addWidget(new QLabel(QStringLiteral("Height:"), central));
    options->addWidget(spnHeight_);
    options->addStretch(1);
    options->addWidget(cmdPages_);
    options->addWidget(cmdReload_);
    options->addWidget(cmdBagReload_);
    outer->addLayout(options);

    auto* vertical = new QSplitter(Qt::Vertical, central);
    auto* horizontal = new QSplitter(Qt::Horizontal, vertical);

    // The control over a checkerboard.
    auto* scroll = new QScrollArea(horizontal);
    scroll->setWidgetResizable(true);
    stage_ = new Checkerboard;
    stage_->setObjectName(QStringLiteral("stage"));
    host_ = new ControlHost(stage_);
    host_->setObjectName(QStringLiteral("host"));
    host_->move(kStageMargin, kStageMargin);
    host_->resize(0, 0);
    scroll->setWidget(stage_);

    // Properties and members.
    auto* side = new QWidget(horizontal);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    properties_ = new PropertyModel(this);
    lvProperties_ = new QTableView(side);
    lvProperties_->setObjectName(QStringLiteral("lvProperties"));
    lvProperties_->setModel(properties_);
    lvProperties_->setItemDelegateForColumn(PropertyModel::kValueColumn,
                                            new ValueDelegate(lvProperties_));
    lvProperties_->verticalHeader()->hide();
    lvProperties_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    lvProperties_->setWordWrap(false);
    lvProperties_->horizontalHeader()->setSectionResizeMode(PropertyModel::kValueColumn,
                                                            QHeaderView::Stretch);
    lvProperties_->setEditTriggers(QAbstractItemView::DoubleClicked |
                                   QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::SelectedClicked);
    auto* cmdRefresh = new QPushButton(QStringLiteral("Re&fresh"), side);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    sideLayout->addWidget(lvProperties_, 1);
    sideLayout->addWidget(cmdRefresh, 0, Qt::AlignRight);

    auto* callBox = new QGroupBox(QStringLiteral("Methods"), side);
    auto* callLayout = new QVBoxLayout(callBox);
    cmbMember_ = new QComboBox(callBox);
    cmbMember_->setObjectName(QStringLiteral("cmbMember"));
    fraArguments_ = new QWidget(callBox);
    argumentLayout_ = new QFormLayout(fraArguments_);
    argumentLayout_->setContentsMargins(0, 0, 0, 0);
    cmdCall_ = new QPushButton(QStringLiteral("C&all"), callBox);
    cmdCall_->setObjectName(QStringLiteral("cmdCall"));
    cmdCall_->setEnabled(false);
    callLayout->addWidget(cmbMember_);
    callLayout->addWidget(fraArguments_);
    callLayout->addWidget(cmdCall_, 0, Qt::AlignRight);
    sideLayout->addWidget(callBox);

    // What happened.
    auto* logBox = new QWidget(vertical);
    auto* logLayout = new QVBoxLayout(logBox);
    logLayout->setContentsMargins(0, 0, 0, 0);
    txtLog_ = new QPlainTextEdit(logBox);
    txtLog_->setObjectName(QStringLiteral("txtLog"));
    txtLog_->setReadOnly(true);
    txtLog_->setMaximumBlockCount(kLogLines);
    txtLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* cmdClear = new QPushButton(QStringLiteral("C&lear Log"), logBox);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    logLayout->addWidget(txtLog_, 1);
    logLayout->addWidget(cmdClear, 0, Qt::AlignRight);

    horizontal->setStretchFactor(0, 1);
    horizontal->setStretchFactor(1, 1);
    horizontal->setSizes({550, 550});
    vertical->setStretchFactor(0, 3);
    vertical->setStretchFactor(1, 1);
    vertical->setSizes({560, 190});
    outer->addWidget(vertical, 1);
    setCentralWidget(central);
    resize(1100, 750);

    // Picking from the list creates at once; the field takes any other name.
    connect(cmbProgId_, &QComboBox::textActivated, this, [this](const QString& progId) {
        txtProgId_->setText(progId);
        OpenControl(progId);
    });
    connect(cmdList, &QPushButton::clicked, this, &ContainerWindow::ReloadProgIds);
    connect(cmdCreate, &QPushButton::clicked, this,
            [this] { OpenControl(txtProgId_->text().trimmed()); });
    connect(txtProgId_, &QLineEdit::returnPressed, this,
            [this] { OpenControl(txtProgId_->text().trimmed()); });
    connect(chkUserMode_, &QCheckBox::toggled, this, [this](bool on) {
        host_->SetUserMode(on);
        Log(on ? QStringLiteral("Ambient: run mode") : QStringLiteral("Ambient: design mode"));
        properties_->Refresh();
    });
    host_->SetRequestEditHandler([this](DispId) { return !chkRefuseEdits_->isChecked(); });
    connect(spnWidth_, &QSpinBox::valueChanged, this,
            [this](int w) { host_->resize(w, host_->height()); });
    connect(spnHeight_, &QSpinBox::valueChanged, this,
            [this](int h) { host_->resize(host_->width(), h); });
    // However the control's size changes (the spin boxes, the control's own
    // request), the spin boxes and the stage follow.
    host_->installEventFilter(this);
    connect(cmdPages_, &QPushButton::clicked, this, &ContainerWindow::ShowPropertyPages);
    connect(cmdReload_, &QPushButton::clicked, this,
            [this] { SaveAndReload(Persistence::Stream); });
    connect(cmdBagReload_, &QPushButton::clicked, this,
            [this] { SaveAndReload(Persistence::Bag); });
    connect(cmdRefresh, &QPushButton::clicked, properties_, &PropertyModel::Refresh);
    connect(cmbMember_, &QComboBox::currentIndexChanged, this, &ContainerWindow::MemberSelected);
    connect(cmdCall_, &QPushButton::clicked, this, &ContainerWindow::CallSelectedMember);
    connect(cmdClear, &QPushButton::clicked, txtLog_, &QPlainTextEdit::clear);
    connect(properties_, &PropertyModel::logLine, this, &ContainerWindow::Log);

    connect(host_, &ControlHost::propertyChanged, this, [this](int id) {
        Log(QStringLiteral("Changed: %1").arg(MemberName(id)));
        properties_->RefreshId(id);
    });
    connect(host_, &ControlHost::editRequested, this, [this](int id, bool allowed) {
        Log(QStringLiteral("Edit request: %1 %2")
                .arg(MemberName(id),
                     allowed ? QStringLiteral("allowed") : QStringLiteral("refused")));
    });
    connect(host_, &ControlHost::positionRectChanged, this, [this](const QRect& rect) {
        Log(QStringLiteral("New position: %1 x %2").arg(rect.width()).arg(rect.height()));
        // The control sits where the container puts it; only its size is taken.
        host_->move(kStageMargin, kStageMargin);
    });
    connect(host_, &ControlHost::focusChanged, this, [this](bool got) {
        Log(got ? QStringLiteral("Focus: gained") : QStringLiteral("Focus: lost"));
    });

    ReloadProgIds();
}

ContainerWindow::~ContainerWindow() {
    CloseControl();
}

void ContainerWindow::Log(const QString& line) {
    txtLog_->appendPlainText(line);
    lastEvent_.clear();
    repeats_ = 0;
}

void ContainerWindow::LogEvent(const QString& line) {
    // An animation fires the same event many times a second: one line
    // counts the repeats instead of flooding the log.
    if (line == lastEvent_ && !txtLog_->document()->isEmpty()) {
        ++repeats_;
        QTextCursor cursor(txtLog_->document()->lastBlock());
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(QStringLiteral("%1 (%2 times)").arg(line).arg(repeats_));
        return;
    }
    Log(line);
    lastEvent_ = line;
    repeats_ = 1;
}

QStringList ContainerWindow::LogLines() const {
    QStringList lines;
    for (QTextBlock b = txtLog_->document()->firstBlock(); b.isValid(); b = b.next()) {
        if (!b.text().isEmpty()) {
            lines << b.text();
        }
    }
    return lines;
}

void ContainerWindow::ReloadProgIds() {
    const QString current = cmbProgId_->currentText();
    cmbProgId_->clear();
    try {
        cmbProgId_->addItems(RegisteredProgIds(vantry::registry::Store()));
    } catch (const std::exception& e) {
        Log(QStringLiteral("Registry: %1").arg(QString::fromUtf8(e.what())));
    }
    const int at = cmbProgId_->findText(current);
    if (at >= 0) {
        cmbProgId_->setCurrentIndex(at);
    }
}

void ContainerWindow::CloseControl() {
    if (!control_) {
        return;
    }
    // Detach in the order a container unloads: events, site, then the object.
    ObjectPtr old = std::move(control_);
    control_.reset();
    if (auto events = QueryInterface<IConnectable>(old); events && adviseCookie_ != 0) {
        events->Unadvise(adviseCookie_);
    }
    adviseCookie_ = 0;
    host_->SetControl(nullptr);
    properties_->SetObject(nullptr);
    events_.clear();
    allMembers_.clear();
    members_.clear();
    cmbMember_->clear();
    cmdPages_->setEnabled(false);
    cmdReload_->setEnabled(false);
    cmdBagReload_->setEnabled(false);
    setWindowTitle(QStringLiteral("Test Container"));
}

bool ContainerWindow::Busy() {
    if (calling_ > 0 || properties_->Writing()) {
        Log(QStringLiteral("A call into the control is still running; try again when it is over."));
        return true;
    }
    return false;
}

bool ContainerWindow::OpenControl(const QString& progId) {
    if (Busy()) {
        return false;
    }
    CloseControl();
    if (progId.isEmpty()) {
        Log(QStringLiteral("No ProgID given."));
        return false;
    }
    ObjectPtr obj;
    try {
        obj = CreateObject(progId.toStdString());
    } catch (const AutomationError& e) {
        Log(QStringLiteral("%1  [creating %2]").arg(ErrorText(e), progId));
        return false;
    }
    if (!obj) {
        Log(QStringLiteral("Error %1: %2  [creating %3]")
                .arg(errors::kCannotCreateObject)
                .arg(QString::fromStdString(StandardDescription(errors::kCannotCreateObject)),
                     progId));
        return false;
    }
    // A new control starts from its defaults, as a container would ask.
    if (auto persist = QueryInterface<IPersistStreamInit>(obj)) {
        persist->InitNew();
    } else if (auto bag = QueryInterface<IPersistPropertyBag>(obj)) {
        bag->InitNew();
    }
    Log(QStringLiteral("Created %1").arg(progId));
    return Place(std::move(obj), progId);
}

bool ContainerWindow::Place(ObjectPtr obj, const QString& progId) {
    progId_ = progId;
    txtProgId_->setText(progId);
    control_ = obj;
    // Events first, so whatever the control fires while it is placed is logged.
    if (auto events = QueryInterface<IConnectable>(obj)) {
        events_ = events->Events();
        QPointer<ContainerWindow> self(this);
        adviseCookie_ =
            events->Advise(MakeEventSink([self](DispId id, const std::vector<Variant*>& args) {
                if (self) {
                    self->OnEvent(id, args);
                }
            }));
    }
    if (auto disp = QueryInterface<IDispatchable>(obj)) {
        allMembers_ = disp->Members();
    }
    host_->SetUserMode(chkUserMode_->isChecked());
    host_->SetControl(obj);
    if (control_ != obj) {
        return false;  // an event handler replaced it meanwhile
    }
    host_->show();
    SizeStage();
    properties_->SetObject(obj);
    lvProperties_->resizeColumnToContents(PropertyModel::kNameColumn);
    lvProperties_->resizeColumnToContents(PropertyModel::kTypeColumn);
    lvProperties_->resizeColumnToContents(PropertyModel::kIdColumn);
    if (const int at = cmbProgId_->findText(progId); at >= 0) {
        cmbProgId_->setCurrentIndex(at);
    }
    BuildMembers();
    auto pages = QueryInterface<ISpecifyPropertyPages>(obj);
    cmdPages_->setEnabled(pages && !pages->Pages().empty());
    cmdReload_->setEnabled(static_cast<bool>(QueryInterface<IPersistStreamInit>(obj)));
    cmdBagReload_->setEnabled(static_cast<bool>(QueryInterface<IPersistPropertyBag>(obj)));
    setWindowTitle(QStringLiteral("Test Container - %1").arg(progId));
    return true;
}

bool ContainerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == host_ && event->type() == QEvent::Resize) {
        SizeStage();
    }
    return QMainWindow::eventFilter(watched, event);
}

void ContainerWindow::SizeStage() {
    const QSize size = host_->size();
    spnWidth_->blockSignals(true);
    spnHeight_->blockSignals(true);
    spnWidth_->setValue(size.width());
    spnHeight_->setValue(size.height());
    spnWidth_->blockSignals(false);
    spnHeight_->blockSignals(false);
    stage_->setMinimumSize(size.width() + 2 * kStageMargin, size.height() + 2 * kStageMargin);
}

QString ContainerWindow::MemberName(DispId id) const {
    for (const MemberInfo& m : allMembers_) {
        if (m.id == id) {
            return QString::fromStdString(m.name);
        }
    }
    return QStringLiteral("#%1").arg(id);
}

void ContainerWindow::BuildMembers() {
    members_.clear();
    for (const MemberInfo& m : allMembers_) {
        if (m.isMethod) {
            members_.push_back({MemberEntry::kMethod, m, MemberSignature(m)});
            continue;
        }
        if (m.argTypes.empty()) {
            continue;  // in the property list
        }
        QStringList args;
        for (VariantType t : m.argTypes) {
            args << TypeText(t);
        }
        const QString name = QString::fromStdString(m.name);
        const QString index = args.join(QStringLiteral(", "));
        if (m.readable) {
            members_.push_back(
                {MemberEntry::kGet, m,
                 QStringLiteral("Get %1(%2) As %3").arg(name, index, TypeText(m.type))});
        }
        if (m.writable) {
            members_.push_back(
                {MemberEntry::kLet, m,
                 QStringLiteral("Let %1(%2) = %3").arg(name, index, TypeText(m.type))});
        }
    }
    cmbMember_->blockSignals(true);
    cmbMember_->clear();
    for (const MemberEntry& e : members_) {
        cmbMember_->addItem(e.label);
        if (!e.info.description.empty()) {
            cmbMember_->setItemData(cmbMember_->count() - 1,
                                    QString::fromStdString(e.info.description), Qt::ToolTipRole);
        }
    }
    cmbMember_->blockSignals(false);
    MemberSelected(cmbMember_->currentIndex());
}

void ContainerWindow::MemberSelected(int index) {
    for (QLineEdit* edit : argumentEdits_) {
        argumentLayout_->removeRow(edit);
    }
    argumentEdits_.clear();
    cmdCall_->setEnabled(index >= 0 && index < static_cast<int>(members_.size()));
    if (!cmdCall_->isEnabled()) {
        return;
    }
    const MemberEntry& entry = members_[index];
    std::vector<VariantType> types = entry.info.argTypes;
    if (entry.kind == MemberEntry::kLet) {
        types.push_back(entry.info.type);
    }
    for (size_t i = 0; i < types.size(); ++i) {
        auto* edit = new QLineEdit(fraArguments_);
        edit->setObjectName(QStringLiteral("txtArgument%1").arg(i));
        const bool value = entry.kind == MemberEntry::kLet && i + 1 == types.size();
        argumentLayout_->addRow(
            value ? QStringLiteral("Value (%1):").arg(TypeText(types[i]))
                  : QStringLiteral("Argument %1 (%2):").arg(i + 1).arg(TypeText(types[i])),
            edit);
        connect(edit, &QLineEdit::returnPressed, this, &ContainerWindow::CallSelectedMember);
        argumentEdits_.push_back(edit);
    }
}

void ContainerWindow::CallSelectedMember() {
    const int index = cmbMember_->currentIndex();
    if (index < 0 || index >= static_cast<int>(members_.size()) || !control_) {
        return;
    }
    const MemberEntry entry = members_[index];
    // Held here: the call may run the event loop and outlive the control's
    // place in the window.
    const auto disp = QueryInterface<IDispatchable>(control_);
    if (!disp) {
        return;
    }
    std::vector<VariantType> types = entry.info.argTypes;
    if (entry.kind == MemberEntry::kLet) {
        types.push_back(entry.info.type);
    }
    const QString name = QString::fromStdString(entry.info.name);
    QStringList shown;
    std::vector<Variant> args;
    try {
        for (size_t i = 0; i < types.size() && i < argumentEdits_.size(); ++i) {
            args.push_back(ParseValue(argumentEdits_[i]->text(), types[i]));
            shown << ValueText(args.back(), true);
        }
    } catch (const AutomationError& e) {
        Log(QStringLiteral("%1  [argument %2 of %3]")
                .arg(ErrorText(e))
                .arg(args.size() + 1)
                .arg(name));
        return;
    }
    QString call;
    ++calling_;
    try {
        switch (entry.kind) {
            case MemberEntry::kMethod: {
                call = QStringLiteral("%1(%2)").arg(name, shown.join(QStringLiteral(", ")));
                const Variant result = CallMethod(*disp, entry.info.id, args);
                Log(result.IsEmpty()
                        ? call
                        : QStringLiteral("%1 = %2").arg(call, ValueText(result, true)));
                break;
            }
            case MemberEntry::kGet: {
                call = QStringLiteral("%1(%2)").arg(name, shown.join(QStringLiteral(", ")));
                const Variant result = GetProperty(*disp, entry.info.id, args);
                Log(QStringLiteral("%1 = %2").arg(call, ValueText(result, true)));
                break;
            }
            case MemberEntry::kLet: {
                const Variant value = args.back();
                args.pop_back();
                const QString valueText = shown.takeLast();
                call = QStringLiteral("%1(%2)").arg(name, shown.join(QStringLiteral(", ")));
                PutProperty(*disp, entry.info.id, value, args);
                Log(QStringLiteral("%1 = %2").arg(call, valueText));
                break;
            }
        }
    } catch (const AutomationError& e) {
        Log(QStringLiteral("%1  [%2]").arg(ErrorText(e), call));
    }
    --calling_;
    properties_->Refresh();
}

void ContainerWindow::OnEvent(DispId id, const std::vector<Variant*>& args) {
    const EventInfo* info = nullptr;
    for (const EventInfo& e : events_) {
        if (e.id == id) {
            info = &e;
            break;
        }
    }
    LogEvent(EventText(id, info, args));
}

bool ContainerWindow::SaveAndReload(Persistence form) {
    if (!control_ || Busy()) {
        return false;
    }
    auto stream = QueryInterface<IPersistStreamInit>(control_);
    auto bag = QueryInterface<IPersistPropertyBag>(control_);
    if ((form == Persistence::Stream && !stream) || (form == Persistence::Bag && !bag)) {
        Log(QStringLiteral("The control cannot be saved that way."));
        return false;
    }
    ByteStream bytes;
    PropertyBag values;
    bool ok = false;
    try {
        // Not a real save of a document: the control's dirty mark stays.
        ok = form == Persistence::Stream ? stream->Save(bytes, false)
                                         : bag->Save(values, false, true);
    } catch (const std::exception& e) {
        Log(QStringLiteral("Save: %1").arg(QString::fromUtf8(e.what())));
    }
    if (!ok) {
        Log(QStringLiteral("Save failed."));
        return false;
    }
    if (form == Persistence::Stream) {
        const QByteArray data = QByteArray::fromStdString(bytes.ToString());
        Log(QStringLiteral("Stream: %1%2")
                .arg(QString::fromLatin1(data.left(kShownStreamBytes).toHex(' ').toUpper()))
                .arg(data.size() > kShownStreamBytes ? QStringLiteral(" ...") : QString()));
    } else {
        QStringList shown;
        for (const std::string& name : values.Names()) {
            Variant v;
            values.Read(name, v);
            shown << QString::fromStdString(name) + QLatin1Char('=') + ValueText(v, true);
        }
        Log(QStringLiteral("Bag: %1").arg(shown.join(QStringLiteral(", "))));
    }
    const QString progId = progId_;
    // The new instance is made before the old one goes, so a failure keeps
    // what was there.
    ObjectPtr fresh;
    try {
        fresh = CreateObject(progId.toStdString());
    } catch (const AutomationError& e) {
        Log(QStringLiteral("%1  [creating %2]").arg(ErrorText(e), progId));
        return false;
    }
    ok = false;
    try {
        if (form == Persistence::Stream) {
            auto loader = QueryInterface<IPersistStreamInit>(fresh);
            bytes.Seek(0);
            ok = loader && loader->Load(bytes);
        } else {
            auto loader = QueryInterface<IPersistPropertyBag>(fresh);
            ok = loader && loader->Load(values);
        }
    } catch (const std::exception& e) {
        Log(QStringLiteral("Load: %1").arg(QString::fromUtf8(e.what())));
    }
    if (!ok) {
        Log(QStringLiteral("Loading what was saved failed."));
        return false;
    }
    CloseControl();
    Log(form == Persistence::Stream
            ? QStringLiteral("Saved %1 bytes and loaded them into a new %2")
                  .arg(bytes.Size())
                  .arg(progId)
            : QStringLiteral("Saved %1 values and loaded them into a new %2")
                  .arg(values.Names().size())
                  .arg(progId));
    return Place(std::move(fresh), progId);
}

void ContainerWindow::ShowPropertyPages() {
    const ObjectPtr control = control_;
    auto specify = QueryInterface<ISpecifyPropertyPages>(control);
    if (!specify || Busy()) {
        return;
    }
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Properties - %1").arg(progId_));
    auto* layout = new QVBoxLayout(&dialog);
    auto* tabs = new QTabWidget(&dialog);
    layout->addWidget(tabs);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, &dialog);
    layout->addWidget(buttons);
    QPushButton* apply = buttons->button(QDialogButtonBox::Apply);
    apply->setEnabled(false);

    std::vector<std::shared_ptr<IPropertyPage>> pages;
    const vantry::registry::Store store;
    for (const Clsid& clsid : specify->Pages()) {
        try {
            auto page = QueryInterface<IPropertyPage>(CreateInstance(store, clsid));
            if (!page) {
                Log(QStringLiteral("Page %1 is not a property page.")
                        .arg(QString::fromStdString(clsid.ToString())));
                continue;
            }
            page->SetObjects({control});
            page->SetStatusCallback([&pages, apply] {
                bool dirty = false;
                for (const auto& p : pages) {
                    dirty = dirty || p->IsDirty();
                }
                apply->setEnabled(dirty);
            });
            auto* frame = new QWidget(tabs);
            auto* frameLayout = new QVBoxLayout(frame);
            if (QWidget* w = page->Activate(frame)) {
                frameLayout->addWidget(w);
            }
            tabs->addTab(frame, Qs(page->Title()));
            pages.push_back(std::move(page));
        } catch (const AutomationError& e) {
            Log(QStringLiteral("%1  [page %2]")
                    .arg(ErrorText(e), QString::fromStdString(clsid.ToString())));
        }
    }
    if (pages.empty()) {
        return;
    }
    auto applyAll = [this, &pages, apply] {
        for (const auto& p : pages) {
            if (p->IsDirty() && !p->Apply()) {
                Log(QStringLiteral("Page \"%1\": the control refused a value.")
                        .arg(Qs(p->Title())));
            }
        }
        apply->setEnabled(false);
        properties_->Refresh();
    };
    connect(apply, &QPushButton::clicked, &dialog, applyAll);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        applyAll();
        dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.exec();
    for (const auto& p : pages) {
        p->SetStatusCallback({});
        p->Deactivate();
    }
}

}  // namespace testcontainer
