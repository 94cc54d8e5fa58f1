#pragma once

#include <QPointer>
#include <QWidget>

namespace TarnUpdatePresenter {
struct ProgressWindow;
}
class QLabel;
class QProgressBar;
class QPushButton;
class TarnFirmwareUpdater;

// The content of the "TARN Firmware Update" window: the updater's state as one sentence, the
// progress of the transfer and, after a failure that can be retried, a "Retry" button that starts a
// new check. Once a run has ended it shows that run's outcome, which checks after it do not replace.
// Renders TarnUpdatePresenter::progressWindow() on every change of the updater; keeps no state of
// its own.
class TarnUpdateProgressView : public QWidget {
    Q_OBJECT
public:
    static constexpr char windowId[] = "tarn-update-progress";

    explicit TarnUpdateProgressView(TarnFirmwareUpdater &tarn, QWidget *parent = nullptr);
    // The window is closed: the user has seen the finished run's outcome.
    ~TarnUpdateProgressView() override;

    void render(const TarnUpdatePresenter::ProgressWindow &window);

private:
    void follow();

    QPointer<TarnFirmwareUpdater> m_tarn;
    QLabel *m_title = nullptr;
    QLabel *m_status = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_caption = nullptr;
    QPushButton *m_retry = nullptr;
};
