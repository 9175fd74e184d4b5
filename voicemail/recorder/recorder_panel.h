#pragma once
// The recorder's panel of the main window: Record, Play, Stop and Send, the
// status line, the microphone and output level sliders, and the one-second
// recording timer. Laid out in its own form and promoted into the window; the
// Recorder drives it.

#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui {
class RecorderPanel;
}

namespace murmel {

class Settings;
class TranslationTable;

class RecorderPanel : public QWidget {
    Q_OBJECT
public:
    explicit RecorderPanel(QWidget* parent = nullptr);
    ~RecorderPanel() override;

    Ui::RecorderPanel* ui() const { return ui_.get(); }
    QTimer* tmrRecording() { return &tmrRecording_; }

    // Captions and tips in the user's language; the status line says "ready".
    void SetTexts(const TranslationTable& texts);
    // The window's status line, which the send sequence shares.
    void ShowStatus(const QString& text);
    // Keeps the levels the sliders hold for the next start.
    void SaveLevels(Settings& settings) const;

private:
    std::unique_ptr<Ui::RecorderPanel> ui_;
    QTimer tmrRecording_;
};

}  // namespace murmel
