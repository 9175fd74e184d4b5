#pragma once
// The composing panel of the main window: the To and Cc boxes with their
// picker buttons, the subject, and the return receipt box with its label.
// Laid out in its own form and promoted into the window; the Composer drives it.

#include <QWidget>

#include <memory>

namespace Ui {
class ComposerPanel;
}

namespace murmel {

class TranslationTable;

class ComposerPanel : public QWidget {
    Q_OBJECT
public:
    explicit ComposerPanel(QWidget* parent = nullptr);
    ~ComposerPanel() override;

    Ui::ComposerPanel* ui() const { return ui_.get(); }

    // Captions and tips in the user's language.
    void SetTexts(const TranslationTable& texts);
    // A reply asked for from outside: the given recipients, or each list's
    // first entry where none is given, and the subject with "Re: " in front
    // unless it has one; an empty subject keeps the box.
    void PrepareReply(const QString& to, const QString& cc, const QString& subject);

private:
    std::unique_ptr<Ui::ComposerPanel> ui_;
};

}  // namespace murmel
