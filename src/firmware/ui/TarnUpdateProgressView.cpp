#include "firmware/ui/TarnUpdateProgressView.h"

#include "firmware/TarnFirmwareUpdater.h"
#include "firmware/TarnUpdatePresenter.h"
#include "ui/ErrorText.h"
#include "ui/TextStyles.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

constexpr int progressWindowWidth = 380;
constexpr int progressMargin = 20;
constexpr int progressRowSpacing = 14;

// QProgressBar counts in int; byte counts of an image fit, the clamp only guards the type.
int barValue(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

TarnUpdateProgressView::TarnUpdateProgressView(TarnFirmwareUpdater &tarn, QWidget *parent)
    : QWidget(parent), m_tarn(&tarn)
{
    setWindowTitle(QCoreApplication::translate("TarnUpdateProgressView", "TARN Firmware Update"));

    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(progressMargin, progressMargin, progressMargin, progressMargin);
    rows->setSpacing(progressRowSpacing);
    rows->setSizeConstraint(QLayout::SetMinimumSize);

    m_title = new QLabel(this);
    QFont headline = m_title->font();
    headline.setBold(true);
    m_title->setFont(headline);
    rows->addWidget(m_title);

    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    // At least the designed width; taller and wider where larger text needs it.
    m_status->setMinimumWidth(progressWindowWidth - 2 * progressMargin);
    rows->addWidget(m_status);

    auto *progressRows = new QVBoxLayout;
    progressRows->setSpacing(4);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(TarnUpdatePresenter::progressAccessibleName());
    progressRows->addWidget(m_progress);
    m_caption = new QLabel(this);
    m_caption->setFont(TextStyles::scaled(m_caption->font(), TextStyles::captionScale));
    m_caption->setForegroundRole(QPalette::PlaceholderText);
    progressRows->addWidget(m_caption);
    rows->addLayout(progressRows);

    auto *buttons = new QHBoxLayout;
    m_retry = new QPushButton(QCoreApplication::translate("TarnUpdateProgressView", "Retry"), this);
    buttons->addWidget(m_retry);
    buttons->addStretch(1);
    rows->addLayout(buttons);

    connect(m_retry, &QPushButton::clicked, this, [this] {
        if (m_tarn) {
            // The user has read the failure; the window follows the new check from here.
            m_tarn->dismissRunOutcome();
            m_tarn->checkForUpdate();
        }
    });
    connect(&tarn, &TarnFirmwareUpdater::stateChanged, this, &TarnUpdateProgressView::follow);
    connect(&tarn, &TarnFirmwareUpdater::runOutcomeChanged, this, &TarnUpdateProgressView::follow);
    follow();
}

TarnUpdateProgressView::~TarnUpdateProgressView()
{
    if (m_tarn && !m_tarn->isRunning()) {
        m_tarn->dismissRunOutcome();
    }
}

void TarnUpdateProgressView::follow()
{
    if (m_tarn) {
        render(TarnUpdatePresenter::progressWindow(m_tarn->state(), m_tarn->runOutcome()));
    }
}

void TarnUpdateProgressView::render(const TarnUpdatePresenter::ProgressWindow &window)
{
    m_title->setText(window.title);
    m_status->setText(window.statusText);
    ErrorText::show(*m_status, window.statusIsError);

    m_progress->setVisible(window.showsProgress);
    m_caption->setVisible(window.showsProgress);
    if (window.showsProgress) {
        m_progress->setRange(0, barValue(window.totalBytes));
        m_progress->setValue(barValue(window.sentBytes));
        m_caption->setText(window.progressCaption);
    }
    m_retry->setVisible(window.showsRetry);
}
