#pragma once
// The container window: pick a registered control by ProgID, host it over a
// checkerboard so transparent parts show, edit its properties, call its
// methods and log every event it fires.

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "automation/control_host.h"
#include "automation/dispatch.h"
#include "automation/events.h"

class QLineEdit;

namespace Ui {
class ContainerWindow;
}

namespace testcontainer {

class PropertyModel;

// Paints a grey checkerboard under whatever it holds.
class Checkerboard : public QWidget {
public:
    using QWidget::QWidget;
    static constexpr int kSquare = 8;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class ContainerWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit ContainerWindow(QWidget* parent = nullptr);
    ~ContainerWindow() override;

    // Creates the control registered as progId and hosts it in place of the
    // one shown before. False (with the error in the log) when it cannot be
    // created; the previous control is gone either way.
    bool OpenControl(const QString& progId);
    // Re-reads the ProgIDs under HKEY_CLASSES_ROOT into the list.
    void ReloadProgIds();

    // Saves the control through its stream or property-bag face, makes a
    // fresh instance of the same class, loads it from what was saved and
    // hosts it instead. On failure the old control stays.
    enum class Persistence { Stream, Bag };
    bool SaveAndReload(Persistence form = Persistence::Stream);
    // Opens the control's property pages in a dialog.
    void ShowPropertyPages();

    vantry::automation::ObjectPtr Control() const { return control_; }
    vantry::automation::ControlHost* Host() const { return host_; }
    PropertyModel* Properties() const { return properties_; }
    QStringList LogLines() const;
    void Log(const QString& line);
    // Like Log, but the same event fired again in a row only counts up the
    // last line ("... (3 times)").
    void LogEvent(const QString& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct MemberEntry {
        enum Kind { kMethod, kGet, kLet } kind = kMethod;
        vantry::automation::MemberInfo info;
        QString label;
    };

    // A call into the control is running (it may pump events): the control
    // must not be replaced under it.
    bool Busy();
    void CloseControl();
    // A new instance of progId in *out (null when the class gave none); false,
    // with the error logged, when creating it failed.
    bool TryCreate(const QString& progId, vantry::automation::ObjectPtr* out);
    // Hosts a created control: events, site, property list, members.
    bool Place(vantry::automation::ObjectPtr obj, const QString& progId);
    void BuildMembers();
    void MemberSelected(int index);
    void CallSelectedMember();
    void OnEvent(vantry::automation::DispId id,
                 const std::vector<vantry::automation::Variant*>& args);
    QString MemberName(vantry::automation::DispId id) const;
    void SizeStage();

    std::unique_ptr<Ui::ContainerWindow> ui_;
    Checkerboard* stage_ = nullptr;
    vantry::automation::ControlHost* host_ = nullptr;
    PropertyModel* properties_ = nullptr;
    std::vector<QLineEdit*> argumentEdits_;

    QString lastEvent_;
    int repeats_ = 0;
    QString progId_;
    vantry::automation::ObjectPtr control_;
    std::vector<vantry::automation::EventInfo> events_;
    std::vector<vantry::automation::MemberInfo> allMembers_;
    std::vector<MemberEntry> members_;
    uint32_t adviseCookie_ = 0;
    int calling_ = 0;
};

}  // namespace testcontainer
