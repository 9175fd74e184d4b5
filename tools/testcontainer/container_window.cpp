#include "testcontainer/container_window.h"

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
#include "registry/registry.h"
#include "testcontainer/progids.h"
#include "testcontainer/property_model.h"
#include "testcontainer/value_text.h"
#include "ui_container_window.h"

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

ContainerWindow::ContainerWindow(QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::ContainerWindow>()) {
    ui_->setupUi(this);

    // The control over a checkerboard.
    stage_ = new Checkerboard;
    stage_->setObjectName(QStringLiteral("stage"));
    host_ = new ControlHost(stage_);
    host_->setObjectName(QStringLiteral("host"));
    host_->move(kStageMargin, kStageMargin);
    host_->resize(0, 0);
    ui_->scrollStage->setWidget(stage_);

    properties_ = new PropertyModel(this);
    QTableView* lvProperties = ui_->lvProperties;
    lvProperties->setModel(properties_);
    lvProperties->setItemDelegateForColumn(PropertyModel::kValueColumn,
                                           new ValueDelegate(lvProperties));
    lvProperties->verticalHeader()->hide();
    lvProperties->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    lvProperties->horizontalHeader()->setSectionResizeMode(PropertyModel::kValueColumn,
                                                           QHeaderView::Stretch);
    lvProperties->setEditTriggers(QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::SelectedClicked);
    ui_->txtLog->setMaximumBlockCount(kLogLines);

    ui_->splitHorizontal->setStretchFactor(0, 1);
    ui_->splitHorizontal->setStretchFactor(1, 1);
    ui_->splitHorizontal->setSizes({550, 550});
    ui_->splitVertical->setStretchFactor(0, 3);
    ui_->splitVertical->setStretchFactor(1, 1);
    ui_->splitVertical->setSizes({560, 190});

    // Picking from the list creates at once; the field takes any other name.
    connect(ui_->cmbProgId, &QComboBox::textActivated, this, [this](const QString& progId) {
        ui_->txtProgId->setText(progId);
        OpenControl(progId);
    });
    connect(ui_->cmdList, &QPushButton::clicked, this, &ContainerWindow::ReloadProgIds);
    connect(ui_->cmdCreate, &QPushButton::clicked, this,
            [this] { OpenControl(ui_->txtProgId->text().trimmed()); });
    connect(ui_->txtProgId, &QLineEdit::returnPressed, this,
            [this] { OpenControl(ui_->txtProgId->text().trimmed()); });
    connect(ui_->chkUserMode, &QCheckBox::toggled, this, [this](bool on) {
        host_->SetUserMode(on);
        Log(on ? QStringLiteral("Ambient: run mode") : QStringLiteral("Ambient: design mode"));
        properties_->Refresh();
    });
    host_->SetRequestEditHandler([this](DispId) { return !ui_->chkRefuseEdits->isChecked(); });
    connect(ui_->spnWidth, &QSpinBox::valueChanged, this,
            [this](int w) { host_->resize(w, host_->height()); });
    connect(ui_->spnHeight, &QSpinBox::valueChanged, this,
            [this](int h) { host_->resize(host_->width(), h); });
    // However the control's size changes (the spin boxes, the control's own
    // request), the spin boxes and the stage follow.
    host_->installEventFilter(this);
    connect(ui_->cmdPages, &QPushButton::clicked, this, &ContainerWindow::ShowPropertyPages);
    connect(ui_->cmdReload, &QPushButton::clicked, this,
            [this] { SaveAndReload(Persistence::Stream); });
    connect(ui_->cmdBagReload, &QPushButton::clicked, this,
            [this] { SaveAndReload(Persistence::Bag); });
    connect(ui_->cmdRefresh, &QPushButton::clicked, properties_, &PropertyModel::Refresh);
    connect(ui_->cmbMember, &QComboBox::currentIndexChanged, this,
            &ContainerWindow::MemberSelected);
    connect(ui_->cmdCall, &QPushButton::clicked, this, &ContainerWindow::CallSelectedMember);
    connect(ui_->cmdClear, &QPushButton::clicked, ui_->txtLog, &QPlainTextEdit::clear);
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
    ui_->txtLog->appendPlainText(line);
    lastEvent_.clear();
    repeats_ = 0;
}

void ContainerWindow::LogEvent(const QString& line) {
    // An animation fires the same event many times a second: one line
    // counts the repeats instead of flooding the log.
    if (line == lastEvent_ && !ui_->txtLog->document()->isEmpty()) {
        ++repeats_;
        QTextCursor cursor(ui_->txtLog->document()->lastBlock());
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
    for (QTextBlock b = ui_->txtLog->document()->firstBlock(); b.isValid(); b = b.next()) {
        if (!b.text().isEmpty()) {
            lines << b.text();
        }
    }
    return lines;
}

void ContainerWindow::ReloadProgIds() {
    const QString current = ui_->cmbProgId->currentText();
    ui_->cmbProgId->clear();
    try {
        ui_->cmbProgId->addItems(RegisteredProgIds(vantry::registry::Store()));
    } catch (const std::exception& e) {
        Log(QStringLiteral("Registry: %1").arg(QString::fromUtf8(e.what())));
    }
    const int at = ui_->cmbProgId->findText(current);
    if (at >= 0) {
        ui_->cmbProgId->setCurrentIndex(at);
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
    ui_->cmbMember->clear();
    ui_->cmdPages->setEnabled(false);
    ui_->cmdReload->setEnabled(false);
    ui_->cmdBagReload->setEnabled(false);
    setWindowTitle(QStringLiteral("Test Container"));
}

bool ContainerWindow::Busy() {
    if (calling_ > 0 || properties_->Writing()) {
        Log(QStringLiteral("A call into the control is still running; try again when it is over."));
        return true;
    }
    return false;
}

bool ContainerWindow::TryCreate(const QString& progId, ObjectPtr* out) {
    try {
        *out = CreateObject(progId.toStdString());
    } catch (const AutomationError& e) {
        Log(QStringLiteral("%1  [creating %2]").arg(ErrorText(e), progId));
        return false;
    }
    return true;
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
    if (!TryCreate(progId, &obj)) {
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
    ui_->txtProgId->setText(progId);
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
    host_->SetUserMode(ui_->chkUserMode->isChecked());
    host_->SetControl(obj);
    if (control_ != obj) {
        return false;  // an event handler replaced it meanwhile
    }
    host_->show();
    SizeStage();
    properties_->SetObject(obj);
    ui_->lvProperties->resizeColumnToContents(PropertyModel::kNameColumn);
    ui_->lvProperties->resizeColumnToContents(PropertyModel::kTypeColumn);
    ui_->lvProperties->resizeColumnToContents(PropertyModel::kIdColumn);
    if (const int at = ui_->cmbProgId->findText(progId); at >= 0) {
        ui_->cmbProgId->setCurrentIndex(at);
    }
    BuildMembers();
    auto pages = QueryInterface<ISpecifyPropertyPages>(obj);
    ui_->cmdPages->setEnabled(pages && !pages->Pages().empty());
    ui_->cmdReload->setEnabled(static_cast<bool>(QueryInterface<IPersistStreamInit>(obj)));
    ui_->cmdBagReload->setEnabled(static_cast<bool>(QueryInterface<IPersistPropertyBag>(obj)));
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
    ui_->spnWidth->blockSignals(true);
    ui_->spnHeight->blockSignals(true);
    ui_->spnWidth->setValue(size.width());
    ui_->spnHeight->setValue(size.height());
    ui_->spnWidth->blockSignals(false);
    ui_->spnHeight->blockSignals(false);
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
    ui_->cmbMember->blockSignals(true);
    ui_->cmbMember->clear();
    for (const MemberEntry& e : members_) {
        ui_->cmbMember->addItem(e.label);
        if (!e.info.description.empty()) {
            ui_->cmbMember->setItemData(ui_->cmbMember->count() - 1,
                                        QString::fromStdString(e.info.description),
                                        Qt::ToolTipRole);
        }
    }
    ui_->cmbMember->blockSignals(false);
    MemberSelected(ui_->cmbMember->currentIndex());
}

void ContainerWindow::MemberSelected(int index) {
    for (QLineEdit* edit : argumentEdits_) {
        ui_->argumentLayout->removeRow(edit);
    }
    argumentEdits_.clear();
    ui_->cmdCall->setEnabled(index >= 0 && index < static_cast<int>(members_.size()));
    if (!ui_->cmdCall->isEnabled()) {
        return;
    }
    const MemberEntry& entry = members_[index];
    std::vector<VariantType> types = entry.info.argTypes;
    if (entry.kind == MemberEntry::kLet) {
        types.push_back(entry.info.type);
    }
    for (size_t i = 0; i < types.size(); ++i) {
        auto* edit = new QLineEdit(ui_->fraArguments);
        edit->setObjectName(QStringLiteral("txtArgument%1").arg(i));
        const bool value = entry.kind == MemberEntry::kLet && i + 1 == types.size();
        ui_->argumentLayout->addRow(
            value ? QStringLiteral("Value (%1):").arg(TypeText(types[i]))
                  : QStringLiteral("Argument %1 (%2):").arg(i + 1).arg(TypeText(types[i])),
            edit);
        connect(edit, &QLineEdit::returnPressed, this, &ContainerWindow::CallSelectedMember);
        argumentEdits_.push_back(edit);
    }
}

void ContainerWindow::CallSelectedMember() {
    const int index = ui_->cmbMember->currentIndex();
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
    if (!TryCreate(progId, &fresh)) {
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
